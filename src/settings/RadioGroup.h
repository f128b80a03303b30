#pragma once
// A captioned group of radio buttons in one column with an item index, as the mode
// choice needs it. OnClick runs whenever an item becomes the selected one.
#include <QGroupBox>
#include <QList>
#include <QStringList>
#include <functional>

class QRadioButton;

class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

    // The selected item, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);

    QList<QRadioButton*> Buttons;
    std::function<void()> OnClick;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceButtons();
};
