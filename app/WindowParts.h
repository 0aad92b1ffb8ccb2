#pragma once
// Pieces the program's windows share: components named as tests and the window
// descriptions find them, a list of fixed-height rows and set column widths, and a label
// that takes the keyboard to its field.

#include <QList>
#include <QString>

class QAbstractItemModel;
class QDialog;
class QDialogButtonBox;
class QLabel;
class QTableView;
class QWidget;

namespace WindowParts {
template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}
// 'widths' in characters of the window's font. Nothing is measured, so a list of 100,000
// rows shows as fast as one of ten.
QTableView *tableView(QWidget *parent, QAbstractItemModel *model, const char *name,
                      const QString &accessibleName, const QList<int> &widths);
QLabel *labelFor(QWidget *buddy, const QString &text);
// 确定 and 取消, which accept and reject 'dialog'.
QDialogButtonBox *okCancel(QDialog *dialog);
} // namespace WindowParts
