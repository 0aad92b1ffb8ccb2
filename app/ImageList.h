#pragma once
// The tool bar's pictures, 32 by 32 pixels, drawn from the program's own SVG files.

#include <QIcon>
#include <QList>
#include <QObject>

class ImageList : public QObject
{
    Q_OBJECT
public:
    explicit ImageList(QObject *parent = nullptr);

    int count() const { return int(m_icons.size()); }
    QIcon icon(int index) const { return m_icons.value(index); }
    // The window icon: a calendar sheet with one day marked in red.
    static QIcon windowIcon();

private:
    QList<QIcon> m_icons;
};
