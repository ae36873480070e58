// Entry point. The main dialog is not wired in yet: this shows what exists.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel label("Nitidor: the main dialog is on its way.");
    label.setWindowTitle("Nitidor");
    label.setMargin(24);
    label.show();
    return app.exec();
}
