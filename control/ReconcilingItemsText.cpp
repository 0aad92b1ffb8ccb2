#include "ReconcilingItemsText.h"

#include "Cents.h"

#include <QStringList>

namespace ReconcilingItemsText {

QString of(const QList<ReconcilingItem> &items)
{
    QStringList texts;
    for (const ReconcilingItem &item : items) {
        QStringList parts{item.kind, Cents::text(item.cents)};
        if (item.date.isValid())
            parts.append(item.date.toString(Qt::ISODate));
        for (const QString &text : {item.reference, item.note})
            if (!text.trimmed().isEmpty())
                parts.append(text.simplified());
        texts.append(parts.join(QLatin1Char(' ')));
    }
    return texts.join(QStringLiteral("；"));
}

} // namespace ReconcilingItemsText
