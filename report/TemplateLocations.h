#pragma once
// Where templates are read and saved, in either layout the program runs in:
// - portable: the program directory may be written (the build folder, or a copy in a
//   folder the user owns): templates are read from and saved to it;
// - installed: the program directory may not be written, or it holds no letters while the
//   shipped folder does (the Debian package, the program in /usr/bin): templates are read
//   from the user's folder first, then from the shipped folder, and saved to the user's
//   folder, so a shipped file is never touched. A copy of the program in a folder the user
//   may not write reads the templates beside it as the shipped ones.

#include <QString>
#include <QStringList>

class TemplateLocations
{
public:
    // The folders, each with its trailing separator.
    TemplateLocations(QString programFolder, QString shippedFolder, QString userFolder);
    // Where the running program is: the shipped folder is <prefix>/share/roviradavev/ beside
    // the program's <prefix>/bin/; the user's is in their data folder, shared by both programs.
    static const TemplateLocations &current();
    // Tests put folders of their own in place of the running program's; nullptr restores.
    static void setCurrent(const TemplateLocations *locations);

    bool isPortable() const;
    // Where the designer saves, and new templates go.
    QString saveFolder() const { return isPortable() ? m_program : m_user; }
    // Where the shipped templates and the sample workbook are: beside the program whenever
    // it holds the letters, whether or not the folder may be written.
    QString shippedFolder() const;
    QString userFolder() const { return m_user; }

    // The file a name reads: the user's copy, else the shipped one; where it would be saved
    // when neither exists.
    QString fileFor(const QString &name) const;
    QString saveFileFor(const QString &name) const;
    // The names of both folders, each once, sorted as Chinese readers sort them.
    QStringList names() const;
    // True when the user's folder holds an edited copy of a shipped template.
    bool canRestore(const QString &name) const;
    // Removes the user's copy, so the shipped template is read again; raises Exception.
    void restore(const QString &name) const;

    // The templates the program ships: its letters first, then the others.
    static const QStringList &shippedNames();
    static const QStringList &shippedLetters();
    // For a shipped template whose file is nowhere to be found, the folder it belongs in;
    // empty otherwise.
    QString missingShippedFolder(const QString &name) const;

private:
    bool holdsLetters(const QString &folder) const;

    QString m_program, m_shipped, m_user;
};
