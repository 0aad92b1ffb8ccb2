#pragma once
// 回函登记: scanned replies picked by the user, read and matched to the letters of the
// table or of a register, listed page by page with the letters still unanswered, and
// exported as an .xlsx reply list.

#include "control/ReplyList.h"
#include "platform/RegionalSettings.h"

#include <QWidget>
#include <functional>

class LedgerStore;
class QComboBox;
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

    QRadioButton *rbLedger;
    QComboBox *cbbChannel;
    QLineEdit *edtReceived;
    QRadioButton *rbTable;
    QRadioButton *rbRegister;
    QLineEdit *edtRegister;
    QPushButton *btnChooseRegister;
    QPushButton *btnAddFiles;
    QPushButton *btnAddFolder;
    QPushButton *btnClear;
    QPushButton *btnExport;
    QPushButton *btnCheck;
    QPushButton *btnClose;
    QTableView *tblReplies;
    QTableView *tblUnanswered;
    QLabel *lblSummary;

    // The ledger the replies are matched against and recorded in, or none (the table's or a
    // register's letters, nothing recorded); 'recorded' follows every recording.
    void setLedger(LedgerStore *ledger, std::function<void()> recorded);

    // Handlers.
    void useLedgerClick();
    void addFilesClick();
    void addFolderClick();
    void chooseRegisterClick();
    void useTableClick();
    void clearClick();
    void exportClick();
    // 核对回函: the page selected beside its letter as sent, its result to confirm.
    void checkClick();
    // Reads the scans (files or folders) into the list, with progress; a cancel leaves the
    // list as it was.
    void scan(const QStringList &filesAndFolders);

private:
    SentLetters currentLetters() const;
    bool usingLedger() const { return m_usingLedger && m_ledger; }
    // Reads the files into the ledger: what was read before a cancel stays recorded.
    void scanIntoLedger(const QStringList &files);
    // Another import in the main window: asks whether to match the pages read again.
    void tableChanged();
    void relist();
    void showList();
    void openLine(int row);
    // The line selected when it names a letter of the ledger, or -1.
    int checkableLine() const;

    const StringGridModel &m_table;
    const RegionalSettings &m_settings;
    QString m_register; // empty: the table's letters
    LedgerStore *m_ledger = nullptr;
    bool m_usingLedger = false;
    std::function<void()> m_recorded;
    // The list keeps the letters of the table as it was before the last import.
    bool m_earlierTable = false;
    ReplyList m_list;
    ReplyLinesModel *m_lines;
    UnansweredModel *m_unanswered;
};
