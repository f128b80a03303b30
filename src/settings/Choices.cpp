// Formula, drawing mode, texture and wire colour.
#include "settings/SettingsWindow.h"

#include "settings/ColorBox.h"
#include "settings/RadioGroup.h"
#include "settings/TextureBox.h"
#include "shell/MainWindow.h"

#include <QComboBox>

void TForm2::ComboBox1Change(QObject*) {
    Form1->FuncIndex = ComboBox1->currentIndex();
    Form1->setWindowTitle(QStringLiteral("График функции вида ") + ComboBox1->currentText());
}

// Lighting follows the mode at once, on the main window's context.
void TForm2::RadioGroup1Click(QObject*) {
    Form1->MakeViewCurrent();
    switch (RadioGroup1->ItemIndex()) {
    case 0:
        Form1->PrimMode = GL_QUADS;
        glEnable(GL_LIGHTING);
        break;
    case 1:
        Form1->PrimMode = GL_LINES;
        glDisable(GL_LIGHTING);
        break;
    default:
        break;
    }
}

void TForm2::dxImageComboBox1Change(QObject*) { Form1->TexNumber = ComboBox2->currentIndex() + 1; }

// A 24-bit colour halved per component: 255 becomes 127, glColor3b's full intensity.
void TForm2::ColorBox1Change(QObject*) {
    const uint32_t c = ColorBox1->Selected();
    Form1->WireColor.R = static_cast<int8_t>((c & 0xFF) / 2);
    Form1->WireColor.G = static_cast<int8_t>(((c >> 8) & 0xFF) / 2);
    Form1->WireColor.B = static_cast<int8_t>(((c >> 16) & 0xFF) / 2);
}
