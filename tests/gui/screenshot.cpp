// Development aid: shows the main window with a transfer file imported and saves a picture
// of it. Usage: window_screenshot FILE OUT.png [WIDTHxHEIGHT]
#include "ScriptedPrompts.h"
#include "app/TForm1.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QTemporaryDir dir;
    auto prompts = std::make_shared<ScriptedPrompts>();
    TForm1 form(prompts, Folders(dir.path()));
    if (argc > 3) {
        const QStringList wh = QString::fromLocal8Bit(argv[3]).split(u'x');
        form.resize(wh.value(0).toInt(), wh.value(1).toInt());
    }
    form.show();
    form.activateWindow();
    prompts->files.enqueue(QString::fromLocal8Bit(argv[1]));
    form.runCommand([&] { form.BtnImportClick(); });
    QTimer::singleShot(1500, [&] {
        form.grab().save(QString::fromLocal8Bit(argv[2]));
        app.quit();
    });
    return app.exec();
}
