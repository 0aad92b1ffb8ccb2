#pragma once
// Prompts that record what was asked and answer from a script, for widget tests.

#include "platform/Prompts.h"

#include <QStringList>

class FakePrompts : public Prompts
{
public:
    struct Shown
    {
        QString kind; // "ask", "inform", "error", "open", "save", "dir"
        QString caption;
        QString text;
    };

    QList<Shown> shown;
    bool answerOk = true;
    QStringList openAnswers; // taken from the front; empty answer means cancel
    QString filterSeen;
    QString suffixSeen;

    FakePrompts() { Prompts::install(this); }
    ~FakePrompts() override { Prompts::install(nullptr); }

    bool askOkCancel(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("ask"), caption, text});
        return answerOk;
    }
    SaveChoice askSave(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("save?"), caption, text});
        return saveAnswers.isEmpty() ? SaveChoice::Cancel : saveAnswers.takeFirst();
    }
    QList<SaveChoice> saveAnswers; // taken from the front; none left means 取消
    bool askConfirm(QWidget *, const QString &caption, const QString &text,
                    const QString &yes) override
    {
        shown.append({QStringLiteral("confirm:") + yes, caption, text});
        return confirmAnswer;
    }
    bool confirmAnswer = false;
    void inform(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("inform"), caption, text});
    }
    void showError(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("error"), caption, text});
    }
    QString openFileName(QWidget *, const OpenFileRequest &request) override
    {
        shown.append({QStringLiteral("open"), request.directory, request.filter});
        filterSeen = request.filter;
        suffixSeen = request.defaultSuffix;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    // An answer of several files separates them by line feeds.
    QStringList openFileNames(QWidget *, const QString &caption,
                              const OpenFileRequest &request) override
    {
        shown.append({QStringLiteral("open files"), caption, request.filter});
        const QString answer = openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
        return answer.isEmpty() ? QStringList() : answer.split(QLatin1Char('\n'));
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &suggested,
                         const QString &) override
    {
        shown.append({QStringLiteral("save"), caption, suggested});
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString existingDirectory(QWidget *, const QString &caption, const QString &start) override
    {
        shown.append({QStringLiteral("dir"), caption, start});
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }

    QString chooseItem(QWidget *, const QString &caption, const QString &, const QStringList &items,
                       int current) override
    {
        shown.append({QStringLiteral("choose"), caption, items.join(QLatin1Char(','))});
        return chooseAnswer.isNull() ? items.value(current) : chooseAnswer;
    }
    QString chooseAnswer; // null: take the current item
    QString askText(QWidget *, const QString &caption, const QString &,
                    const QString &initial) override
    {
        shown.append({QStringLiteral("text"), caption, initial});
        return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    }
    QStringList textAnswers; // taken from the front; none left means cancel

    QStringList errors() const
    {
        QStringList list;
        for (const Shown &s : shown)
            if (s.kind == QLatin1String("error"))
                list.append(s.text);
        return list;
    }
};
