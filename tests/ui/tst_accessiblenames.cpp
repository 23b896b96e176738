#include "FormFixture.h"

#include "canvas/canvas.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QPointer>

#include <memory>

// What a screen reader hears for the controls of every window.

using namespace fixture;

namespace {

QString accessible(QWidget* w, QAccessible::Text what)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(what) : QString();
}

} // namespace

class AccessibleNamesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        form_ = shown_form({.uniform = constant(rgb(10, 20, 30))});
        QVERIFY(form_);
        const Tool t(*form_);
        click(t.chip[3]);
        t.mnuTressikhelp->trigger();
        t.mnuAbout->trigger();
        QVERIFY(window<adjust>() && window<tressikhelp>() && window<about1>());
    }

    void cleanupTestCase()
    {
        form_.reset();
        flush_deletions();
    }

    void every_focusable_control_has_a_name_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("tool window") << QStringLiteral("Form1");
        QTest::newRow("colour dialog") << QStringLiteral("adjust");
        QTest::newRow("help") << QStringLiteral("tressikhelp");
        QTest::newRow("about") << QStringLiteral("about1");
        QTest::newRow("canvas") << QStringLiteral("canvas");
    }

    void every_focusable_control_has_a_name()
    {
        QFETCH(QString, window);
        QWidget* w = window_named(window);
        QVERIFY(w);
        QVERIFY(!accessible(w, QAccessible::Name).isEmpty());
        for (QWidget* control : w->findChildren<QWidget*>()) {
            if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(w))
                continue;
            QVERIFY2(!accessible(control, QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        }
    }

    void names_say_what_a_control_is_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* window, const char* control, const char* name) {
            QTest::addRow("%s %s", window, control)
                << QString::fromLatin1(window) << QString::fromLatin1(control) << QString::fromLatin1(name);
        };
        row("Form1", "Text1", "subdivs");
        row("Form1", "Text3", "copies");
        row("Form1", "Command1", "clear canvas");
        row("Form1", "Command3", "kaliedoscope");
        row("Form1", "chip0", "colour 0");
        row("Form1", "chip5", "colour 5");
        row("Form1", "chip7", "colour 7");
        row("adjust", "rscroll", "red");
        row("adjust", "gscroll", "green");
        row("adjust", "bscroll", "blue");
        row("adjust", "rbox", "red value");
        row("adjust", "gbox", "green value");
        row("adjust", "bbox", "blue value");
        row("adjust", "chipbox", "preview");
        row("adjust", "Command2", "cancel");
        row("about1", "Command1", "OK");
    }

    void names_say_what_a_control_is()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        QWidget* w = window_named(window);
        QVERIFY(w);
        QWidget* c = w->findChild<QWidget*>(control);
        QVERIFY(c);
        QCOMPARE(accessible(c, QAccessible::Name), name);
    }

    void the_canvas_is_called_canvas()
    {
        QCOMPARE(accessible(window<canvas>(), QAccessible::Name), QStringLiteral("canvas"));
    }

    void a_chip_describes_its_colour()
    {
        ColourChip* chip = Tool(*form_).chip[5];
        QCOMPARE(accessible(chip, QAccessible::Description), QStringLiteral("red 10, green 20, blue 30"));
        chip->set_colour(rgb(255, 0, 128));
        QCOMPARE(accessible(chip, QAccessible::Description), QStringLiteral("red 255, green 0, blue 128"));
        // The preview says the mixed colour, too.
        adjust* dialog = window<adjust>();
        control<QScrollBar>(dialog, "gscroll")->setValue(200);
        QCOMPARE(accessible(control<ColourChip>(dialog, "chipbox"), QAccessible::Description), QStringLiteral("red 10, green 200, blue 30"));
    }

    void a_bar_gives_its_value()
    {
        auto* red = control<QScrollBar>(window<adjust>(), "rscroll");
        red->setValue(77);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(red);
        QVERIFY(iface && iface->valueInterface());
        QCOMPARE(iface->valueInterface()->currentValue().toInt(), 77);
        QCOMPARE(iface->valueInterface()->maximumValue().toInt(), 255);
        QCOMPARE(iface->valueInterface()->minimumValue().toInt(), 0);
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("77"));
    }

private:
    QWidget* window_named(const QString& name) const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name || (name == QLatin1String("canvas") && qobject_cast<canvas*>(w)))
                return w;
        return nullptr;
    }

    std::unique_ptr<Form1> form_;
};

QTEST_MAIN(AccessibleNamesTest)
#include "tst_accessiblenames.moc"
