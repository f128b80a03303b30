#pragma once
// A control pressed when an error box opened never sees its button go up: the box
// takes the release. On the classic desktop the box takes the pointer and the
// control stops there; a Qt slider would instead keep paging towards the pointer,
// one error box per page, until it gets there.
class QWidget;

// Ends the press `control` may still think is going on, once the handler that is
// running now has returned (a slider starts repeating only after its first step).
void EndPointerPress(QWidget* control);
