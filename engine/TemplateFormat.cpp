#include "TemplateFormat.h"

#include <array>
#include <utility>

namespace TemplateFormat {

namespace {

template <typename T, size_t N>
bool lookup(const std::array<std::pair<T, const char *>, N> &table, const QString &name, T &value)
{
    for (const auto &entry : table)
        if (name == QLatin1String(entry.second)) {
            value = entry.first;
            return true;
        }
    return false;
}

template <typename T, size_t N>
QString nameOf(const std::array<std::pair<T, const char *>, N> &table, T value)
{
    for (const auto &entry : table)
        if (entry.first == value)
            return QLatin1String(entry.second);
    return QString();
}

const std::array<std::pair<ElementKind, const char *>, 8> kKinds{{
    {ElementKind::Text, "text"},
    {ElementKind::Field, "field"},
    {ElementKind::SystemValue, "system"},
    {ElementKind::Line, "line"},
    {ElementKind::Rectangle, "rectangle"},
    {ElementKind::Table, "table"},
    {ElementKind::Picture, "picture"},
    {ElementKind::Barcode, "barcode"},
}};

const std::array<std::pair<SystemValueKind, const char *>, 3> kSystemValues{{
    {SystemValueKind::PageNumber, "pageNumber"},
    {SystemValueKind::PageCount, "pageCount"},
    {SystemValueKind::PrintDate, "printDate"},
}};

const std::array<std::pair<Qt::Alignment, const char *>, 4> kHorizontal{{
    {Qt::AlignLeft, "left"},
    {Qt::AlignHCenter, "center"},
    {Qt::AlignRight, "right"},
    {Qt::AlignJustify, "justify"},
}};

const std::array<std::pair<Qt::Alignment, const char *>, 3> kVertical{{
    {Qt::AlignTop, "top"},
    {Qt::AlignVCenter, "middle"},
    {Qt::AlignBottom, "bottom"},
}};

const std::array<std::pair<FieldType, const char *>, 3> kFieldTypes{{
    {FieldType::Text, "text"},
    {FieldType::Date, "date"},
    {FieldType::Number, "number"},
}};

} // namespace

QString kindName(ElementKind kind)
{
    return nameOf(kKinds, kind);
}
bool kindFromName(const QString &name, ElementKind &kind)
{
    return lookup(kKinds, name, kind);
}
QString systemValueName(SystemValueKind kind)
{
    return nameOf(kSystemValues, kind);
}
bool systemValueFromName(const QString &name, SystemValueKind &kind)
{
    return lookup(kSystemValues, name, kind);
}
QString horizontalName(Qt::Alignment alignment)
{
    return nameOf(kHorizontal, alignment & Qt::AlignHorizontal_Mask);
}
QString verticalName(Qt::Alignment alignment)
{
    return nameOf(kVertical, alignment & Qt::AlignVertical_Mask);
}
QString fieldTypeName(FieldType type)
{
    return nameOf(kFieldTypes, type);
}
bool fieldTypeFromName(const QString &name, FieldType &type)
{
    return lookup(kFieldTypes, name, type);
}

int versionFor(const ReportTemplate &report)
{
    if (report.hasReplyAreas())
        return Version;
    return report.band.isSet() ? VersionWithBand : VersionWithoutBand;
}

bool alignmentFromNames(const QString &horizontal, const QString &vertical,
                        Qt::Alignment &alignment)
{
    Qt::Alignment h, v;
    if (!lookup(kHorizontal, horizontal, h) || !lookup(kVertical, vertical, v))
        return false;
    alignment = h | v;
    return true;
}

} // namespace TemplateFormat
