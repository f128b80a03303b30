#pragma once
// The editable list of texture numbers. Typing completes inline to the first entry
// that begins with the typed text and selects it; text that begins no entry, and
// any deletion, leaves no entry selected. OnChange runs for every entry chosen from
// the list and every change of the text the user makes.
#include <QComboBox>
#include <functional>

class TTextureBox : public QComboBox {
public:
    explicit TTextureBox(QWidget* parent);

    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool CompleteTyped(const QString& typed);
    void TypedFreely();
};
