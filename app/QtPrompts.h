#pragma once
// The program's prompts as Qt message boxes and file dialogs.

#include "platform/Prompts.h"

class QtPrompts : public Prompts
{
public:
    bool askOkCancel(QWidget *owner, const QString &caption, const QString &text) override;
    SaveChoice askSave(QWidget *owner, const QString &caption, const QString &text) override;
    bool askConfirm(QWidget *owner, const QString &caption, const QString &text,
                    const QString &yes) override;
    void inform(QWidget *owner, const QString &caption, const QString &text) override;
    void showError(QWidget *owner, const QString &caption, const QString &text) override;
    QString openFileName(QWidget *owner, const OpenFileRequest &request) override;
    QStringList openFileNames(QWidget *owner, const QString &caption,
                              const OpenFileRequest &request) override;
    QString saveFileName(QWidget *owner, const QString &caption, const QString &suggested,
                         const QString &filter) override;
    QString existingDirectory(QWidget *owner, const QString &caption,
                              const QString &start) override;
    QString askText(QWidget *owner, const QString &caption, const QString &label,
                    const QString &initial) override;
    QString chooseItem(QWidget *owner, const QString &caption, const QString &label,
                       const QStringList &items, int current) override;
};
