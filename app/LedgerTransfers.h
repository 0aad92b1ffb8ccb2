#pragma once
// The ledger's register written out, and a register or dispatch list taken in, as the
// preview and the ledger window both offer them.

class LedgerStore;
class QWidget;

namespace LedgerTransfers {
// 导出函证控制表…: asks where, writes the ledger's register and says so.
void exportRegister(LedgerStore &ledger, QWidget *owner);
// 导入…: asks for a register or dispatch list (.xlsx, .xls, .csv) and takes its values into
// the ledger; false when the user chose no file.
bool importFile(LedgerStore &ledger, QWidget *owner);
} // namespace LedgerTransfers
