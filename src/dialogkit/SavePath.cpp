#include "dialogkit/SavePath.h"

#include <QFileDialog>
#include <QFileInfo>

QString CFileDialogSavePath::Ask(QWidget *owner, const QString &caption, const QString &proposed,
                                 const QString &filter)
{
    const QFileInfo info(proposed);
    QFileDialog dialog(owner, caption, info.absolutePath(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without its extension gets the proposal's.
    dialog.setDefaultSuffix(info.suffix());
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

CSavePathAsker &DefaultSavePath()
{
    static CFileDialogSavePath asker;
    return asker;
}
