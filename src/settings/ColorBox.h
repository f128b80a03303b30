#pragma once
// A drop-down list of named colour swatches led by a custom entry whose colour the
// user picks in the colour dialog. It raises three events as the user chooses:
// OnCloseUp when the open list closes, OnClick for every entry chosen, OnChange once
// the choice stands (after the dialog's OK for the custom entry, never after Cancel).
#include <QColor>
#include <QComboBox>
#include <cstdint>
#include <functional>

class TColorBox : public QComboBox {
public:
    explicit TColorBox(QWidget* parent);

    // The selected entry's colour, red in bits 0-7, green in 8-15, blue in 16-23.
    uint32_t Selected() const;
    QColor EntryColor(int index) const;

    std::function<void()> OnChange;
    std::function<void()> OnCloseUp;
    std::function<void()> OnClick;
    // Asks the user for a colour, starting from `color`; true with `color` replaced on
    // OK. The colour dialog by default; tests put their own answer here.
    std::function<bool(QColor& color)> PickColor;

protected:
    void hidePopup() override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void Chosen(int index);
    void SetEntryColor(int index, const QColor& color);

    // Set when the open list closed: only a choice made there opens the dialog.
    bool listSelected_ = false;
};
