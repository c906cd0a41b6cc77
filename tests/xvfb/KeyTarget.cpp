// Another program for the key sender to type into: one line edit in a window
// titled by the first argument; each Enter appends the line to the file named
// by the second argument.
#include <QApplication>
#include <QFile>
#include <QLineEdit>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) return 2;
    QLineEdit edit;
    edit.setWindowTitle(QString::fromUtf8(argv[1]));
    edit.resize(300, 40);
    const QString path = QString::fromLocal8Bit(argv[2]);
    QObject::connect(&edit, &QLineEdit::returnPressed, [&] {
        QFile file(path);
        if (file.open(QIODevice::Append)) file.write(edit.text().toUtf8() + "\n");
        edit.clear();
    });
    edit.show();
    return QApplication::exec();
}
