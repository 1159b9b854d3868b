#include "TranslatableComponents.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

namespace {

bool IsOwnName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && !name.startsWith(QLatin1String("_q_"));
}

bool IsComponent(const QObject& object)
{
    return (object.isWidgetType() || qobject_cast<const QAction*>(&object) != nullptr) &&
           IsOwnName(object.objectName());
}

void Visit(QObject& object, QList<QObject*>& out);

void Collect(const QObject& parent, QList<QObject*>& out)
{
    // A page control's own children are Qt's (tab bar, page stack); its pages
    // come in order: all of them where it lists them, those in the tab row else.
    if (const auto* tabs = qobject_cast<const QTabWidget*>(&parent)) {
        if (const QVariant pages = tabs->property("Pages"); pages.canConvert<QList<QObject*>>()) {
            for (QObject* page : pages.value<QList<QObject*>>())
                Visit(*page, out);
            return;
        }
        for (int i = 0; i < tabs->count(); ++i)
            Visit(*tabs->widget(i), out);
        return;
    }
    for (QObject* child : parent.children()) {
        if (child->isWidgetType() && static_cast<QWidget*>(child)->isWindow())
            continue; // another window: a menu, a dialog
        Visit(*child, out);
    }
}

void Visit(QObject& object, QList<QObject*>& out)
{
    if (IsComponent(object))
        out.append(&object);
    // A tab bar's buttons are Qt's own; nothing of ours lives below them.
    if (qobject_cast<QTabBar*>(&object) == nullptr)
        Collect(object, out);
}

const char* CaptionProperty(const QObject& component)
{
    if (component.metaObject()->indexOfProperty("Caption") >= 0)
        return "Caption";
    if (qobject_cast<const QGroupBox*>(&component) != nullptr)
        return "title";
    return "text";
}

const char* HintProperty(const QObject& component)
{
    return component.metaObject()->indexOfProperty("Hint") >= 0 ? "Hint" : "toolTip";
}

} // namespace

QList<QObject*> WindowComponents(const QWidget& window)
{
    QList<QObject*> components;
    Collect(window, components);
    return components;
}

int ComponentTag(const QObject& component) { return component.property("Tag").toInt(); }

TTranslationRows TranslationRows(const QObject& c)
{
    TTranslationRows rows = 0;
    if (qobject_cast<const QRadioButton*>(&c))
        rows |= trRadioButton;
    if (qobject_cast<const QCheckBox*>(&c))
        rows |= trCheckBox;
    if (qobject_cast<const QPushButton*>(&c) && !c.objectName().startsWith(QLatin1String("SC_")))
        rows |= trPushButton;
    if (qobject_cast<const QGroupBox*>(&c) && !c.inherits("TRadioGroup"))
        rows |= trGroupBox;
    if (qobject_cast<const QLabel*>(&c) && !c.inherits("TImage") && !c.inherits("TStatusPanel"))
        rows |= trLabel;
    if (qobject_cast<const QSpinBox*>(&c))
        rows |= trSpinEdit;
    if (c.inherits("TTabSheet"))
        rows |= trTabSheet;
    if (c.inherits("TBitBtn"))
        rows |= trBitBtn;
    if (c.inherits("TSpeedButton") && ComponentTag(c) == 0)
        rows |= trSpeedButton;
    return rows;
}

bool HasCaptionRow(TTranslationRows rows) { return (rows & ~TTranslationRows(trSpinEdit)) != 0; }

bool ListedInEditor(const QObject& component)
{
    return ComponentTag(component) == 0 && HasCaptionRow(TranslationRows(component));
}

QString ComponentCaption(const QObject& component) { return component.property(CaptionProperty(component)).toString(); }

void SetComponentCaption(QObject& component, const QString& caption)
{
    component.setProperty(CaptionProperty(component), caption);
}

QString ComponentHint(const QObject& component) { return component.property(HintProperty(component)).toString(); }

void SetComponentHint(QObject& component, const QString& hint) { component.setProperty(HintProperty(component), hint); }

QString ParentComponentName(const QObject& component)
{
    if (component.isWidgetType() && static_cast<const QWidget&>(component).isWindow())
        return {};
    for (const QObject* p = component.parent(); p != nullptr; p = p->parent()) {
        if (p->isWidgetType() && static_cast<const QWidget*>(p)->isWindow())
            return p->objectName();
        if (IsComponent(*p))
            return p->objectName();
    }
    return {};
}
