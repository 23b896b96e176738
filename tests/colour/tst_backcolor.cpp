#include "FormFixture.h"

#include "colour/BackColor.h"
#include "colour/ColourChip.h"

#include <QPushButton>
#include <QStyleFactory>

using namespace fixture;

// BackColor on whatever control is active.
class BackColorTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void back_color_shows_on_every_kind_of_control_data()
    {
        QTest::addColumn<QString>("style");
        for (const QString& key : QStyleFactory::keys())
            QTest::newRow(qPrintable(key)) << key;
    }

    void back_color_shows_on_every_kind_of_control()
    {
        QFETCH(QString, style);
        std::unique_ptr<QStyle> look(QStyleFactory::create(style));
        QWidget window;
        window.resize(120, 90);
        auto* button = new QPushButton(QStringLiteral("clear canvas"), &window);
        button->setGeometry(8, 8, 81, 17);
        auto* box = new QLineEdit(QStringLiteral("20"), &window);
        box->setGeometry(8, 32, 33, 19);
        auto* chip = new ColourChip(&window);
        chip->setGeometry(8, 56, 25, 25);
        for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(box)})
            w->setStyle(look.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const Colour colour = rgb(10, 200, 30);
        for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(box), static_cast<QWidget*>(chip)}) {
            set_back_color(w, colour);
            // The face of the control, not just a rim, shows the colour exactly; the text and
            // the frame take the rest.
            QVERIFY2(shown_colour(w, colour), qPrintable(w->metaObject()->className()));
        }
        QCOMPARE(chip->colour(), colour);

        // A second colour replaces the first; an impossible one is ignored.
        set_back_color(button, rgb(1, 2, 3));
        QVERIFY(shown_colour(button, rgb(1, 2, 3)));
        set_back_color(button, -1);
        QVERIFY(count_pixels(button->grab().toImage(), rgb(1, 2, 3)) > 81 * 17 / 3);
        QCOMPARE(count_pixels(button->grab().toImage(), colour), 0);
    }
};

QTEST_MAIN(BackColorTest)
#include "tst_backcolor.moc"
