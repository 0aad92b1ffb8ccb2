#include "QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

bool QtPrompts::askOkCancel(QWidget *owner, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

Prompts::SaveChoice QtPrompts::askSave(QWidget *owner, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner);
    // Named as the question means them, whatever the desktop's theme calls the buttons.
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("不保存"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

bool QtPrompts::askConfirm(QWidget *owner, const QString &caption, const QString &text,
                           const QString &yes)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    QPushButton *confirm = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == confirm;
}

void QtPrompts::inform(QWidget *owner, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

void QtPrompts::showError(QWidget *owner, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

QString QtPrompts::openFileName(QWidget *owner, const OpenFileRequest &request)
{
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QStringList QtPrompts::openFileNames(QWidget *owner, const QString &caption,
                                     const OpenFileRequest &request)
{
    QFileDialog dialog(owner, caption);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(request.filter);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtPrompts::saveFileName(QWidget *owner, const QString &caption, const QString &suggested,
                                const QString &filter)
{
    return QFileDialog::getSaveFileName(owner, caption, suggested, filter);
}

QString QtPrompts::existingDirectory(QWidget *owner, const QString &caption, const QString &start)
{
    return QFileDialog::getExistingDirectory(owner, caption, start);
}

QString QtPrompts::chooseItem(QWidget *owner, const QString &caption, const QString &label,
                              const QStringList &items, int current)
{
    bool ok = false;
    const QString item = QInputDialog::getItem(owner, caption, label, items, current, false, &ok);
    return ok ? item : QString();
}

QString QtPrompts::askText(QWidget *owner, const QString &caption, const QString &label,
                           const QString &initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(owner, caption, label, QLineEdit::Normal, initial, &ok);
    return ok ? text : QString();
}
