#include "controls/skinbuttonaccessible.h"

#include "controls/skinbutton.h"

#include <QAccessibleWidget>

namespace {
class SkinButtonAccessible : public QAccessibleWidget {
public:
    explicit SkinButtonAccessible(SkinButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDrawnPressed();
        if (button()->checkBoxBehaviour()) {
            state.checkable = true;
            state.checked = button()->value();
        }
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (button()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    SkinButton* button() const { return static_cast<SkinButton*>(widget()); }
};

QAccessibleInterface* skinButtonInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("SkinButton"))
        if (auto* button = qobject_cast<SkinButton*>(object))
            return new SkinButtonAccessible(button);
    return nullptr;
}
} // namespace

void installSkinButtonAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(skinButtonInterface);
        return true;
    }();
    (void)installed;
}
