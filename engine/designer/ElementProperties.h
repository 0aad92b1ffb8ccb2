#pragma once
// The properties the designer's panel edits, described once each: how an element's value
// is read and written, which kinds of element have it, and what kind of box edits it.
// The panel builds, refreshes and applies every one of them the same way.

#include "engine/ReportTemplate.h"

#include <QStringList>
#include <QVariant>

namespace ElementProperties {

enum class Editor
{
    Millimetres,    // position: may be negative
    Size,           // width, height: at least the smallest size
    Points,         // font size
    Spacing,        // line spacing, a multiple
    PenWidth,       // millimetres, two decimals
    Check,          // on or off
    Choice,         // one of fixed items, by index
    EditableChoice, // text, offered items or typed
    Colour,
    Line // one line of text
};

// Where an editable choice takes its items from.
enum class Items
{
    Fixed,
    FieldNames,
    FieldFormats,
    DateFormats,
    Families
};

enum class Group
{
    Geometry,
    Field,
    System,
    Font,
    Line,
    Barcode
};

struct Property
{
    const char *name; // the box's objectName
    const char *label;
    const char *tip;
    const char *step; // the undo step's name
    Group group;
    Editor editor;
    bool (*appliesTo)(ElementKind kind);
    QVariant (*get)(const ReportElement &element);
    void (*set)(ReportElement &element, const QVariant &value);
    Items items = Items::Fixed;
    QStringList choices = {};
    // Moves or sizes the element: a locked element keeps it.
    bool geometry = false;
};

// Every element property, in the panel's order.
const QList<Property> &all();
const char *groupTitle(Group group);

// The selection's common value of a property: null when the elements differ or none has it.
QVariant common(const Property &property, const QList<ReportElement> &elements);
// 'value' given to every element that has the property; others stay as they are.
void apply(const Property &property, QList<ReportElement> &elements, const QVariant &value);

struct PageProperty
{
    const char *name;
    const char *label;
    const char *tip;
    double minimum;
    double (*get)(const PageSetup &page);
    void (*set)(PageSetup &page, double value);
};
// The page's measures: width and height as the page lies (landscape swaps them), margins.
const QList<PageProperty> &pageMeasures();

} // namespace ElementProperties
