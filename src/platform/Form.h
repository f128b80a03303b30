#pragma once
// A top-level window of the program. Closing the application's main form ends the
// message loop; closing any other form only hides it.
#include <QWidget>

class TForm : public QWidget {
public:
    explicit TForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

protected:
    void closeEvent(QCloseEvent* e) override;
};
