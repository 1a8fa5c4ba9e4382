#include "main_window/frm_vok.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/pictures.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    zumivok::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZumiVok"));
    QGuiApplication::setDesktopFileName(QStringLiteral(ZUMIVOK_APP_ID));

    zumivok::Files files;
    zumivok::QtDialogs dialogs;
    zumivok::PictureLoader pictures;
    frmVok window({files, dialogs, pictures});
    window.show();
    return QApplication::exec();
}
