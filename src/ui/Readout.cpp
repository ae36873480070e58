#include "ui/Readout.h"

namespace {

// A read-out's colours out of focus: those of a label on the window.
QPalette ReadoutPalette(QPalette colours) {
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    colours.setColor(QPalette::Text, colours.color(QPalette::WindowText));
    return colours;
}

void SetPaletteIfChanged(QWidget* readout, const QPalette& colours) {
    if (readout->palette().color(QPalette::Base) != colours.color(QPalette::Base) ||
        readout->palette().color(QPalette::Text) != colours.color(QPalette::Text))
        readout->setPalette(colours);
}

QPalette WindowColours(const QWidget* readout) {
    return ReadoutPalette(readout->parentWidget() ? readout->parentWidget()->palette()
                                                  : QPalette());
}

}  // namespace

QLineEdit* MakeReadout(const QString& accessibleName, Qt::Alignment alignment) {
    auto* readout = new QLineEdit;
    readout->setPalette(ReadoutPalette(readout->palette()));
    readout->setReadOnly(true);
    readout->setFrame(false);
    readout->setFocusPolicy(Qt::NoFocus);
    readout->setContextMenuPolicy(Qt::NoContextMenu);
    readout->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout->setAccessibleName(accessibleName);
    readout->setAlignment(alignment);
    return readout;
}

void SetTextIfChanged(QLineEdit* readout, const QString& text) {
    if (readout->text() != text)
        readout->setText(text);
}

void ShowInFocusColours(QWidget* readout, bool bInFocus) {
    QPalette colours = WindowColours(readout);
    if (bInFocus) {
        colours.setColor(QPalette::Base, QColor(kInFocusBackground));
        colours.setColor(QPalette::Window, QColor(kInFocusBackground));
        colours.setColor(QPalette::Text, Qt::white);
        colours.setColor(QPalette::WindowText, Qt::white);
    }
    SetPaletteIfChanged(readout, colours);
}

void ShowStaleColours(QWidget* readout) {
    QPalette colours = WindowColours(readout);
    colours.setColor(QPalette::Text, QColor(kStaleText));
    colours.setColor(QPalette::WindowText, QColor(kStaleText));
    SetPaletteIfChanged(readout, colours);
}

void SetTextColour(QLineEdit* readout, const QColor& colour) {
    QPalette colours = readout->palette();
    if (colours.color(QPalette::Text) == colour)
        return;
    colours.setColor(QPalette::Text, colour);
    readout->setPalette(colours);
}
