#pragma once
// The modal questions and notices of the program, behind one interface so tests can answer them.

#include <QString>
#include <QStringList>

class QWidget;

struct OpenFileRequest
{
    QString filter;        // Qt filter text, e.g. "Excel文件 (*.xls *.xlsx)"
    QString defaultSuffix; // added to a typed name that has none
    QString directory;     // where the dialog opens; empty for the platform's choice
};

class Prompts
{
public:
    virtual ~Prompts() = default;

    // OK and Cancel with the question icon, OK the default; true for OK only.
    virtual bool askOkCancel(QWidget *owner, const QString &caption, const QString &text) = 0;
    enum class SaveChoice
    {
        Save,
        Discard,
        Cancel
    };
    // 保存, 不保存 and 取消 with the question icon, 保存 the default.
    virtual SaveChoice askSave(QWidget *owner, const QString &caption, const QString &text) = 0;
    // A question whose yes button says what it does (覆盖, say), and 取消, the default;
    // true for yes only.
    virtual bool askConfirm(QWidget *owner, const QString &caption, const QString &text,
                            const QString &yes) = 0;
    // OK with the information icon.
    virtual void inform(QWidget *owner, const QString &caption, const QString &text) = 0;
    // OK with the stop icon.
    virtual void showError(QWidget *owner, const QString &caption, const QString &text) = 0;
    // Full path of the chosen file, or an empty string when cancelled.
    virtual QString openFileName(QWidget *owner, const OpenFileRequest &request) = 0;
    // Full paths of the chosen files, several at once; empty when cancelled.
    virtual QStringList openFileNames(QWidget *owner, const QString &caption,
                                      const OpenFileRequest &request) = 0;
    virtual QString saveFileName(QWidget *owner, const QString &caption, const QString &suggested,
                                 const QString &filter) = 0;
    virtual QString existingDirectory(QWidget *owner, const QString &caption,
                                      const QString &start) = 0;
    // A line of text, or a null string when cancelled.
    virtual QString askText(QWidget *owner, const QString &caption, const QString &label,
                            const QString &initial) = 0;
    // One of the items, or an empty string when cancelled.
    virtual QString chooseItem(QWidget *owner, const QString &caption, const QString &label,
                               const QStringList &items, int current) = 0;

    // The prompts in use; tests install their own.
    static Prompts &current();
    static void install(Prompts *prompts);
};
