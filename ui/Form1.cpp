#include "ui/Form1.h"

#include "canvas/canvas.h"
#include "colour/BackColor.h"
#include "colour/ChipColours.h"
#include "colour/ColourChip.h"
#include "colour/adjust.h"
#include "core/FigureDrawing.h"
#include "core/Kaleidoscope.h"
#include "core/LoopClose.h"
#include "core/NullSink.h"
#include "core/NumberText.h"
#include "core/SideEntry.h"
#include "export/DrawingFile.h"
#include "ui/CaptionFit.h"
#include "ui/FileDrop.h"
#include "ui/LongTask.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"
#include "widgets/Controls.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTime>

#include <random>
#include <utility>

namespace {

std::function<double()> time_seeded_uniform()
{
    const auto seconds_since_midnight = unsigned(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    auto engine = std::make_shared<std::mt19937>(seconds_since_midnight);
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

QPushButton* make_button(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    auto* button = placed(new QPushButton(QLatin1String(text), parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QAction* make_item(QMenu* menu, const char* name, const char* caption)
{
    QAction* item = menu->addAction(QLatin1String(caption));
    item->setObjectName(QLatin1String(name));
    return item;
}

// Shows a window of the help menu in front, made with its captions fitted if it is not there.
template <class Window>
void show_in_front(OwnedWindow<Window>& owned)
{
    Window& window = owned.open([] {
        auto* made = new Window;
        fit_captions(made);
        return made;
    });
    window.show();
    window.raise();
}

// Runs `done` when the scope ends, however it ends.
template <class Done>
class AtEnd {
public:
    explicit AtEnd(Done done) : done_(std::move(done)) {}
    ~AtEnd() { done_(); }
    AtEnd(const AtEnd&) = delete;
    AtEnd& operator=(const AtEnd&) = delete;

private:
    Done done_;
};

// The keys that undo and redo the typing in a text box; elsewhere they undo and redo steps
// of the figure.
enum class EditKey { None, Undo, Redo };

EditKey edit_key(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods
        = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_Z && mods == Qt::ControlModifier)
        return EditKey::Undo;
    if ((key->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        || (key->key() == Qt::Key_Y && mods == Qt::ControlModifier))
        return EditKey::Redo;
    return EditKey::None;
}

QString ask_with_dialog(QWidget* parent, const QString& folder, const QString& filters)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("open..."), folder, filters);
}

} // namespace

Form1::Form1(Form1Options options)
    : uniform_(options.uniform ? std::move(options.uniform) : time_seeded_uniform()),
      progress_delay_ms_(options.progress_delay_ms),
      messages_(this),
      save_(this, messages_, std::move(options.ask_file_name), options.progress_delay_ms),
      ask_open_name_(options.ask_open_name ? std::move(options.ask_open_name) : ask_with_dialog)
{
    build_controls();
    build_menus();
    // A drawing dropped on the tool window or the canvas opens, once the drop is over.
    auto* drop = new FileDrop(this);
    drop->watch(this);
    connect(drop, &FileDrop::dropped, this, &Form1::open_drawing, Qt::QueuedConnection);
    set_up_fixed_window(this, "Form1", QStringLiteral("TRESSIK"), sizeHint());
    // The menu bar's height is known only once the window is polished: the layout keeps the
    // frame fixed at whatever it comes to.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    fit_captions(this);
    // The window keeps its active control while another window is active.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && centralWidget()->isAncestorOf(now))
            active_ = now;
    });
    Form_Load();
}

Form1::~Form1()
{
    // Focus moves while the other windows go away; the tracker must not see a half-destroyed form.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

QWidget* Form1::active_control() const
{
    // The window's focus widget survives the window losing activation, which is exactly
    // the active control; focus changes are not reported while the window is inactive.
    if (QWidget* focused = focusWidget(); focused && centralWidget()->isAncestorOf(focused))
        return focused;
    return active_;
}

void Form1::build_controls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips_size(1560, 5145));
    setCentralWidget(client);

    const Qt::Alignment top_left = Qt::AlignLeft | Qt::AlignTop;
    Label1 = make_label(client, "Label1", QStringLiteral("subdivs"), twips_rect(120, 120, 615, 255), top_left);
    Text1 = make_box(client, "Text1", "20", twips_rect(840, 120, 495, 285));
    Label2 = make_label(client, "Label2", QStringLiteral("copies"), twips_rect(240, 480, 495, 255), top_left);
    Text3 = make_box(client, "Text3", "5", twips_rect(840, 480, 495, 285));
    // Screen readers announce the boxes by the words of their labels.
    Text1->setAccessibleName(Label1->text());
    Text3->setAccessibleName(Label2->text());
    Command1 = make_button(client, "Command1", "clear canvas", twips_rect(120, 840, 1215, 255));
    Command2 = make_button(client, "Command2", "complete loop", twips_rect(120, 1200, 1215, 255));
    Command3 = make_button(client, "Command3", "kaliedoscope", twips_rect(120, 1560, 1215, 255));
    Command4 = make_button(client, "Command4", "randomize", twips_rect(240, 4440, 975, 255));
    Command5 = make_button(client, "Command5", "primary", twips_rect(240, 4800, 975, 255));
    build_chips(client);
    set_focus_order();
    Text1->installEventFilter(this);
    Text3->installEventFilter(this);

    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::build_chips(QWidget* client)
{
    // Each digit stands left of the chip with the same number; the chips are drawn over them.
    for (int i = 0; i < 8; ++i) {
        const int column = i % 2, row = i / 2;
        const int chip_left = column == 0 ? 360 : 1080, label_left = column == 0 ? 120 : 840;
        const int top = 2040 + 600 * row;
        Label3[column * 4 + row] = make_label(client, "Label3", QString::number(i),
                                              twips_rect(label_left, top + 120, 255, 255),
                                              Qt::AlignLeft | Qt::AlignTop);
        const QByteArray name = "chip" + QByteArray::number(i);
        chip[i] = placed(new ColourChip(client), name.constData(), twips_rect(chip_left, top, 375, 375));
        chip[i]->set_colour(rgb(255, 255, 255));
        chip[i]->setAccessibleName(QStringLiteral("colour %1").arg(i));
        connect(chip[i], &ColourChip::clicked, this, [this, i] { chip_Click(i); });
    }
    for (QLabel* label : Label3)
        label->lower();
}

void Form1::set_focus_order()
{
    QWidget* order[] = {Command1, Command2, Text1, Command3, Text3, Command4, Command5,
                        chip[0],  chip[1],  chip[2], chip[3],  chip[4], chip[5],  chip[6], chip[7]};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Command1->setFocus();
    active_ = Command1;
}

void Form1::build_menus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = make_item(mnuFile, "mnuOpen", "open...");
    mnuSaveas = make_item(mnuFile, "mnuSaveas", "save as   .wmf");
    mnuUndo = make_item(mnuFile, "mnuUndo", "undo");
    mnuRedo = make_item(mnuFile, "mnuRedo", "redo");
    mnuExit = make_item(mnuFile, "mnuExit", "exit");
    // The keys work in the tool window and, with the items added to it, in the canvas.
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    update_undo_items();
    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuTressikhelp = make_item(mnuHelp, "mnuTressikhelp", "Tressik help");
    mnuAbout = make_item(mnuHelp, "mnuAbout", "about Tressik");

    connect(mnuOpen, &QAction::triggered, this, &Form1::mnuOpen_Click);
    connect(mnuSaveas, &QAction::triggered, this, &Form1::mnuSaveas_Click);
    connect(mnuUndo, &QAction::triggered, this, &Form1::mnuUndo_Click);
    connect(mnuRedo, &QAction::triggered, this, &Form1::mnuRedo_Click);
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
    connect(mnuTressikhelp, &QAction::triggered, this, &Form1::mnuTressikhelp_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::Form_Load()
{
    mnuSaveas->setEnabled(false);
    state_.subdivs = 20;
    randomize_chips();
    show_canvas().set_mapping(canvas::kStartupMapping);
    state_.reset();
}

canvas& Form1::show_canvas()
{
    canvas& shown = canvas_.open([this] {
        auto* made = new canvas;
        made->setAttribute(Qt::WA_DeleteOnClose);
        made->addActions({mnuOpen, mnuUndo, mnuRedo});
        findChild<FileDrop*>()->watch(made);
        ++canvases_;
        connect(made, &canvas::mouseUp, this, &Form1::canvas_MouseUp);
        return made;
    });
    shown.show();
    return shown;
}

Colour Form1::get_random_color() { return random_dark_colour(uniform_); }

std::array<Colour, 8> Form1::chip_colours() const
{
    std::array<Colour, 8> colours{};
    for (int i = 0; i < 8; ++i)
        colours[i] = chip[i]->colour();
    return colours;
}

void Form1::load_palette() { state_.load_palette(chip_colours()); }

void Form1::randomize_chips()
{
    for (ColourChip* c : chip)
        c->set_colour(get_random_color());
    load_palette();
}

void Form1::Text1_Change()
{
    // A text with no 16-bit value (empty while retyping, a word, 40000) keeps subdivs.
    if (const auto value = text_to_int16(Text1->text().toStdString()))
        state_.subdivs = *value;
}

void Form1::Command1_Click()
{
    begin_step();
    AtEnd done([this] { end_step(); });
    mnuSaveas->setEnabled(false);
    if (canvas_)
        canvas_->drawing().clear();
    state_.reset();
}

void Form1::Command2_Click()
{
    begin_step();
    AtEnd done([this] { end_step(); });
    NullSink nowhere;
    DrawingSink& sink = canvas_ ? canvas_->drawing() : nowhere;
    if (const auto limit = close_loop(state_, sink))
        messages_.report_limit(*limit);
}

void Form1::Command3_Click()
{
    // Shown first, so that a canvas made anew is part of the step.
    QPointer<canvas> target = &show_canvas();
    begin_step();
    AtEnd done([this] { end_step(); });
    load_palette();
    state_.kaleidoscope_on = true;
    const auto copies = text_to_int16(Text3->text().toStdString());
    if (!copies) {
        messages_.report_limit(Limit::BadCopies);
        return;
    }
    shown_copies_ = *copies;
    ReplayResult result;
    {
        ++busy_;
        AtEnd idle([this] { --busy_; });
        LongTask task(this, QStringLiteral("Drawing the kaleidoscope..."), progress_delay_ms_);
        // Events run while the progress dialog is up; stop if the canvas goes away meanwhile.
        result = draw_kaleidoscope(state_, *copies, target->drawing(), [&](int done, int total) {
            return task.step(done, total) && target && !closing_;
        });
    }
    if (result.limit)
        messages_.report_limit(*result.limit);
}

void Form1::Command4_Click() { randomize_chips(); }

void Form1::Command5_Click()
{
    for (int i = 0; i < 8; ++i)
        chip[i]->set_colour(kPrimaryColours[i]);
    load_palette();
}

void Form1::chip_Click(int index)
{
    if (index < 0 || index >= 8)
        return;
    chip[index]->setFocus();
    active_ = chip[index];
    open_color_adjust(chip[index]->colour());
    chip[index]->set_border_style(1);
}

void Form1::open_color_adjust(Colour colour)
{
    if (!is_valid_colour(colour))
        return;
    adjust& dialog = adjust_.open([this] {
        auto* made = new adjust;
        fit_captions(made);
        // Both run nested inside the dialog's handlers, so every step reaches the chip in turn.
        connect(made, &adjust::colourChanged, this, &Form1::colour_adjusted);
        connect(made, &adjust::cancelled, this, &Form1::colour_adjust_cancelled);
        return made;
    });
    state_.saved_color = colour;
    dialog.show_colour(colour);
    for (ColourChip* c : chip)
        c->set_border_style(0);
}

void Form1::colour_adjusted(Colour colour)
{
    set_back_color(active_control(), colour);
    load_palette();
}

void Form1::colour_adjust_cancelled() { set_back_color(active_control(), state_.saved_color); }

void Form1::mnuSaveas_Click()
{
    if (save_.ask_file_name())
        save_metafile();
}

void Form1::save_metafile()
{
    ++busy_;
    AtEnd idle([this] { --busy_; });
    last_folder_ = QFileInfo(save_.file_name()).absolutePath();
    save_.save([this](Output& out) { return draw_metafile(out); });
}

ExportResult Form1::draw_metafile(Output& out)
{
    load_palette();
    // The copies box is read on every save, even when only the figure itself is written.
    const double ratio = canvas_ ? canvas_->pixel_ratio() : devicePixelRatioF();
    const std::string copies_text = Text3->text().toStdString();
    return save_.draw(state_, text_to_int16(copies_text), ratio, out, copies_text, chip_colours());
}

void Form1::mnuExit_Click()
{
    Form_Unload();
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload()
{
    // Work still running (a session logout can close us past the progress dialog) stops.
    closing_ = true;
    save_.stop();
    if (canvas_)
        canvas_->close();
    if (adjust_)
        adjust_->close();
    messages_.close();
}

void Form1::mnuTressikhelp_Click() { show_in_front(help_); }

void Form1::mnuAbout_Click() { show_in_front(about_); }

void Form1::canvas_MouseUp(int /*button*/, int /*shift*/, float x, float y)
{
    if (!canvas_)
        return;
    begin_step();
    AtEnd done([this] { end_step(); });
    const EntryResult result = enter_point(state_, canvas_->drawing(), x, y);
    if (result.enable_save)
        mnuSaveas->setEnabled(true);
    if (result.limit)
        messages_.report_limit(*result.limit);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // In a text box the keys undo and redo its typing, as in every text box.
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return QMainWindow::eventFilter(watched, event);
    const EditKey key = edit_key(static_cast<QKeyEvent*>(event));
    if (key == EditKey::None)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the box takes the key, not the menu's shortcut
        return true;
    }
    key == EditKey::Undo ? box->undo() : box->redo();
    return true;
}

ImageKey Form1::image_key() const
{
    if (!canvas_)
        return {0, 0, redraws_};
    return {canvases_, canvas_->pixels().epoch(), redraws_};
}

StepSide Form1::step_side(bool controls) const
{
    StepSide side;
    // Without a canvas there is no drawing colour to put back.
    side.colour = canvas_ ? canvas_->pixels().colour() : -1;
    side.save_enabled = mnuSaveas->isEnabled();
    side.copies = shown_copies_;
    if (controls)
        side.controls = StepControls{chip_colours(), Text1->text(), Text3->text()};
    return side;
}

void Form1::begin_step(bool controls)
{
    if (step_)
        return; // a command run from within another belongs to its step
    step_ = OpenStep{state_, step_side(controls), image_key(), bool(canvas_)};
    if (canvas_)
        canvas_->pixels().begin_change();
}

void Form1::end_step()
{
    if (!step_)
        return;
    OpenStep found = std::move(*step_);
    step_.reset();
    Step step;
    step.state = StateChange(found.state, state_);
    step.image = found.image;
    step.before = found.side;
    step.after = step_side(found.side.controls.has_value());
    if (canvas_) {
        std::optional<PixelChange> pixels = canvas_->pixels().take_change();
        if (found.pixels && image_key() == found.image)
            step.pixels = std::move(pixels);
    }
    if (!step.empty())
        history_.add(std::move(step));
    update_undo_items();
}

void Form1::update_undo_items()
{
    mnuUndo->setEnabled(history_.can_undo());
    mnuRedo->setEnabled(history_.can_redo());
}

void Form1::mnuUndo_Click()
{
    // The kaleidoscope or a save running waits for nothing.
    if (busy_ || step_ || !history_.can_undo())
        return;
    put_back(history_.undo(), false);
}

void Form1::mnuRedo_Click()
{
    if (busy_ || step_ || !history_.can_redo())
        return;
    put_back(history_.redo(), true);
}

void Form1::set_controls(const StepControls& controls)
{
    for (int i = 0; i < 8; ++i)
        chip[i]->set_colour(controls.chips[i]);
    Text1->setText(controls.subdivs_text);
    Text3->setText(controls.copies_text);
}

void Form1::put_back(Step& step, bool forward)
{
    const StepSide& side = forward ? step.after : step.before;
    if (side.controls)
        set_controls(*side.controls);
    // After the boxes, whose change sets subdivs on its own.
    forward ? step.state.redo(state_) : step.state.undo(state_);
    shown_copies_ = side.copies;
    mnuSaveas->setEnabled(side.save_enabled);
    update_undo_items();
    if (!canvas_)
        return;
    QPointer<canvas> target = canvas_.get();
    if (step.pixels && step.image == image_key()) {
        target->pixels().swap_change(*step.pixels);
    } else {
        // The pixels no longer line up with the figure (the canvas was resized since, or is
        // another): the figure is drawn afresh, and no pixels kept so far fit any more.
        ++redraws_;
        ++busy_;
        AtEnd idle([this] { --busy_; });
        LongTask task(this, QStringLiteral("Drawing the figure..."), progress_delay_ms_);
        draw_figure(state_, side.copies, target->drawing(),
                    [&](int done, int total) { return task.step(done, total) && target && !closing_; });
    }
    if (target && side.colour >= 0)
        target->drawing().set_colour(side.colour);
}

void Form1::mnuOpen_Click()
{
    if (busy_ || step_)
        return;
    const QString path = ask_open_name_(this, last_folder_,
                                        QStringLiteral("Tressik drawings (*.svg *.pdf *.png);;all files (*.*)"));
    if (!path.isEmpty())
        open_drawing(path);
}

void Form1::open_drawing(const QString& path)
{
    if (busy_ || step_ || closing_)
        return;
    const DrawingReading read = read_drawing(QFile::encodeName(path).toStdString());
    if (!read.figure) {
        messages_.tell(QStringLiteral("%1 was not opened: %2.\nThe figure is unchanged.")
                           .arg(QDir::toNativeSeparators(path), QString::fromStdString(read.cause)),
                       QStringLiteral("openFailedMessage"));
        return;
    }
    last_folder_ = QFileInfo(path).absolutePath();
    save_.offer(path);
    const SavedFigure& figure = *read.figure;
    QPointer<canvas> target = &show_canvas();
    begin_step(true);
    AtEnd done([this] { end_step(); });
    for (int i = 0; i < 8; ++i)
        chip[i]->set_colour(figure.chips[i]);
    Text1->setText(QString::number(figure.subdivs));
    Text3->setText(QString::fromStdString(figure.copies_text));
    restore_state(figure, state_);
    shown_copies_ = figure.copies;
    mnuSaveas->setEnabled(figure.subdivs > 0 && figure.point_count() > figure.subdivs);
    ++busy_;
    AtEnd idle([this] { --busy_; });
    LongTask task(this, QStringLiteral("Opening the drawing..."), progress_delay_ms_);
    draw_figure(state_, figure.copies, target->drawing(),
                [&](int done, int total) { return task.step(done, total) && target && !closing_; });
}
