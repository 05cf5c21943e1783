#include "dialogkit/OpenPath.h"

#include <QFileDialog>

QString CFileDialogOpenPath::Ask(QWidget *owner, const QString &caption, const QString &folder,
                                 const QString &filter)
{
    QFileDialog dialog(owner, caption, folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Only a file that is there: a typed name that is none keeps the dialog open.
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

COpenPathAsker &DefaultOpenPath()
{
    static CFileDialogOpenPath asker;
    return asker;
}
