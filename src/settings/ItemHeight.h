#pragma once
// Fixed height of the entries of a drop-down list's open list.
class QComboBox;

void SetListItemHeight(QComboBox* box, int height);
