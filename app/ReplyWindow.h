#pragma once
// 回函登记: scanned replies picked by the user, read and matched to the letters of the
// table or of a register, listed page by page with the letters still unanswered, and
// exported as an .xlsx reply list.

#include "control/ReplyList.h"
#include "platform/RegionalSettings.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class ReplyLinesModel;
class UnansweredModel;
class StringGridModel;

class ReplyWindow : public QWidget
{
    Q_OBJECT
public:
    ReplyWindow(QWidget *owner, const StringGridModel &table, const RegionalSettings &settings);
    ~ReplyWindow() override;

    const ReplyList &list() const { return m_list; }

    QRadioButton *rbTable;
    QRadioButton *rbRegister;
    QLineEdit *edtRegister;
    QPushButton *btnChooseRegister;
    QPushButton *btnAddFiles;
    QPushButton *btnAddFolder;
    QPushButton *btnClear;
    QPushButton *btnExport;
    QPushButton *btnClose;
    QTableView *tblReplies;
    QTableView *tblUnanswered;
    QLabel *lblSummary;

    // Handlers.
    void addFilesClick();
    void addFolderClick();
    void chooseRegisterClick();
    void useTableClick();
    void clearClick();
    void exportClick();
    // Reads the scans (files or folders) into the list, with progress; a cancel leaves the
    // list as it was.
    void scan(const QStringList &filesAndFolders);

private:
    SentLetters currentLetters() const;
    // Another import in the main window: asks whether to match the pages read again.
    void tableChanged();
    void relist();
    void showList();
    void openLine(int row);

    const StringGridModel &m_table;
    const RegionalSettings &m_settings;
    QString m_register; // empty: the table's letters
    // The list keeps the letters of the table as it was before the last import.
    bool m_earlierTable = false;
    ReplyList m_list;
    ReplyLinesModel *m_lines;
    UnansweredModel *m_unanswered;
};
