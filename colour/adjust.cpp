#include "colour/adjust.h"

#include "colour/BackColor.h"
#include "colour/ColourChip.h"
#include "core/Module1.h"
#include "core/NumberText.h"
#include "core/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The component runs from 255 at the top end to 0 at the bottom. Qt steps a scroll bar by
// which part was clicked, not by direction, so with the appearance inverted the top arrow
// and the track above the thumb would lower the value and send the thumb away from the
// pointer. Mouse steps are turned round here; keys and the wheel already move the thumb the
// way they point because the controls are not inverted.
class ComponentBar final : public QScrollBar {
public:
    explicit ComponentBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
    {
        connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { turn_round(action); });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        by_mouse_ = true;
        QScrollBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QScrollBar::mouseReleaseEvent(event);
        by_mouse_ = false;
    }
    void hideEvent(QHideEvent* event) override
    {
        by_mouse_ = false;
        QScrollBar::hideEvent(event);
    }

private:
    // Runs after the slider position has taken the step and before the value follows it.
    void turn_round(int action)
    {
        if (!by_mouse_)
            return;
        switch (action) {
        case SliderSingleStepAdd: setSliderPosition(value() - singleStep()); break;
        case SliderSingleStepSub: setSliderPosition(value() + singleStep()); break;
        case SliderPageStepAdd: setSliderPosition(value() - pageStep()); break;
        case SliderPageStepSub: setSliderPosition(value() + pageStep()); break;
        default: break;
        }
    }

    bool by_mouse_ = false;
};

QScrollBar* make_bar(QWidget* parent, const char* name, QRect geometry)
{
    auto* bar = new ComponentBar(parent);
    placed(bar, name, geometry);
    // 255 at the top, 0 at the bottom: moving the thumb up raises the component.
    bar->setRange(0, 255);
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // Only a finished move counts, not every position of a dragged thumb.
    bar->setTracking(false);
    // A bar is a stop of the dialog's tab cycle, as its tab order says.
    bar->setFocusPolicy(Qt::StrongFocus);
    // Its "Top" and "Bottom" entries would name the wrong ends.
    bar->setContextMenuPolicy(Qt::NoContextMenu);
    return bar;
}

QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    return placed(new QLineEdit(QLatin1String(text), parent), name, geometry);
}

QLabel* make_label(QWidget* parent, const char* name, const char* text, QColor colour, QRect geometry)
{
    auto* label = placed(new QLabel(QLatin1String(text), parent), name, geometry);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

} // namespace

adjust::adjust(Module1& state, std::function<QWidget*()> active_control,
               std::function<void()> load_palette, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state), active_control_(std::move(active_control)),
      load_palette_(std::move(load_palette))
{
    setObjectName(QStringLiteral("adjust"));
    setWindowTitle(QStringLiteral("color adj"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips_size(1560, 3885));

    Command2 = new QPushButton(QStringLiteral("cancel"), this);
    placed(Command2, "Command2", twips_rect(120, 3480, 1335, 315));
    bscroll = make_bar(this, "bscroll", twips_rect(1080, 480, 255, 2055));
    gscroll = make_bar(this, "gscroll", twips_rect(600, 480, 255, 2055));
    rscroll = make_bar(this, "rscroll", twips_rect(120, 480, 255, 2055));
    rbox = make_box(this, "rbox", "Text1", twips_rect(120, 120, 375, 285));
    bbox = make_box(this, "bbox", "Text2", twips_rect(1080, 120, 375, 285));
    gbox = make_box(this, "gbox", "Text5", twips_rect(600, 120, 375, 285));
    chipbox = new ColourChip(this);
    placed(chipbox, "chipbox", twips_rect(120, 2880, 1335, 495));
    Label4 = make_label(this, "Label4", "Red", QColor(255, 0, 0), twips_rect(120, 2640, 375, 255));
    Label5 = make_label(this, "Label5", "Gre", QColor(0, 128, 0), twips_rect(600, 2640, 375, 255));
    Label7 = make_label(this, "Label7", "Blu", QColor(0, 0, 255), twips_rect(1080, 2640, 375, 255));
    // Names for screen readers; a bar's value is announced with it.
    rscroll->setAccessibleName(QStringLiteral("red"));
    gscroll->setAccessibleName(QStringLiteral("green"));
    bscroll->setAccessibleName(QStringLiteral("blue"));
    rbox->setAccessibleName(QStringLiteral("red value"));
    gbox->setAccessibleName(QStringLiteral("green value"));
    bbox->setAccessibleName(QStringLiteral("blue value"));
    chipbox->setAccessibleName(QStringLiteral("preview"));

    // Tab order: cancel, blue bar, green bar, red bar, red box, blue box, green box, preview.
    setTabOrder(Command2, bscroll);
    setTabOrder(bscroll, gscroll);
    setTabOrder(gscroll, rscroll);
    setTabOrder(rscroll, rbox);
    setTabOrder(rbox, bbox);
    setTabOrder(bbox, gbox);
    setTabOrder(gbox, chipbox);
    Command2->setFocus();

    connect(rscroll, &QScrollBar::valueChanged, this, &adjust::rscroll_Change);
    connect(gscroll, &QScrollBar::valueChanged, this, &adjust::gscroll_Change);
    connect(bscroll, &QScrollBar::valueChanged, this, &adjust::bscroll_Change);
    connect(rbox, &QLineEdit::textChanged, this, &adjust::rbox_Change);
    connect(gbox, &QLineEdit::textChanged, this, &adjust::gbox_Change);
    connect(bbox, &QLineEdit::textChanged, this, &adjust::bbox_Change);
    connect(Command2, &QPushButton::clicked, this, &adjust::Command2_Click);
}

void adjust::rscroll_Change() { bar_change(rscroll, rbox); }
void adjust::gscroll_Change() { bar_change(gscroll, gbox); }
void adjust::bscroll_Change() { bar_change(bscroll, bbox); }
void adjust::rbox_Change() { box_change(rbox, rscroll); }
void adjust::gbox_Change() { box_change(gbox, gscroll); }
void adjust::bbox_Change() { box_change(bbox, bscroll); }

void adjust::bar_change(QScrollBar* bar, QLineEdit* box)
{
    box->setText(QString::number(bar->value()));
    update_color();
}

void adjust::box_change(QLineEdit* box, QScrollBar* bar)
{
    // Each reset changes the text and so runs this handler again, nested, on valid text.
    const auto value = [box] { return numeric_value(box->text().toStdString()); };
    const auto reset = [box, bar] { box->setText(QString::number(bar->value())); };
    if (!value()) {
        reset();
    } else {
        if (*value() < 0)
            reset();
        if (const auto v = value(); !v || *v > 255)
            reset();
    }
    if (const auto rounded = text_to_int16(box->text().toStdString()))
        bar->setValue(*rounded);
    update_color();
}

void adjust::update_color()
{
    const int red = rscroll->value();
    const int green = gscroll->value();
    const int blue = bscroll->value();
    chipbox->set_color(rgb(red, green, blue));
    set_back_color(active_control_ ? active_control_() : nullptr, chipbox->color());
    if (load_palette_)
        load_palette_();
}

void adjust::Command2_Click()
{
    set_back_color(active_control_ ? active_control_() : nullptr, state_.saved_color);
    hide();
}
