#pragma once

#include "core/Colour.h"
#include "core/Limit.h"
#include "core/Module1.h"
#include "ui/OwnedWindow.h"
#include "ui/SaveFlow.h"
#include "ui/UndoHistory.h"
#include "ui/UserMessages.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class ColourChip;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class about1;
class adjust;
class canvas;
class tressikhelp;

// What the tool window leaves to chance, to the user's choice of file and to the clock. The
// program takes the defaults; tests pass their own, once, when they make the window.
struct Form1Options {
    // The random source for the chips, numbers in [0, 1); null means a generator seeded from
    // the time of day.
    std::function<double()> uniform;
    // Asks for the saved file's name and type; null means the save dialog.
    SaveFlow::FileNameAsker ask_file_name;
    // Asks for a drawing to open, starting in `folder`, with `filters` in Qt's form; an
    // empty name on cancel. Null means the open dialog.
    std::function<QString(QWidget* parent, const QString& folder, const QString& filters)> ask_open_name;
    // Work that runs longer than this shows a progress dialog.
    int progress_delay_ms = 1000;
};

// The tool window "TRESSIK": the start-up window and the only control panel. It owns the
// drawing state and the program's other windows; its handlers read the controls, call the
// drawing logic, and report.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(Form1Options options = {});
    ~Form1() override;

    Colour get_random_color();

    // Opens the drawing saved in `path`: the figure it carries replaces this one, as one step
    // that can be undone. A file that holds no figure Tressik can read changes nothing and
    // is reported.
    void open_drawing(const QString& path);

    // The drawing state as the commands left it.
    const Module1& state() const { return state_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_controls();
    void build_chips(QWidget* client);
    void set_focus_order();
    void build_menus();
    void Form_Load();
    void Form_Unload();
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void chip_Click(int index);
    void mnuOpen_Click();
    void mnuSaveas_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuExit_Click();
    void mnuTressikhelp_Click();
    void mnuAbout_Click();
    void canvas_MouseUp(int button, int shift, float x, float y);

    canvas& show_canvas();
    // A figure command as a step: begin_step before it changes anything, end_step after.
    // `controls` when the command sets the chips and the boxes' texts too.
    void begin_step(bool controls = false);
    void end_step();
    StepSide step_side(bool controls) const;
    ImageKey image_key() const;
    void put_back(Step& step, bool forward);
    void set_controls(const StepControls& controls);
    void update_undo_items();
    QWidget* active_control() const;
    std::array<Colour, 8> chip_colours() const;
    void load_palette();
    void randomize_chips();
    void open_color_adjust(Colour colour);
    void colour_adjusted(Colour colour);
    void colour_adjust_cancelled();
    void save_metafile();
    ExportResult draw_metafile(Output& out);

    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text3;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    std::array<ColourChip*, 8> chip{};
    std::array<QLabel*, 8> Label3{};
    QMenu* mnuFile;
    QAction* mnuOpen;
    QAction* mnuSaveas;
    QAction* mnuUndo;
    QAction* mnuRedo;
    QAction* mnuExit;
    QMenu* mnuHelp;
    QAction* mnuTressikhelp;
    QAction* mnuAbout;

    Module1 state_;
    std::function<double()> uniform_;
    int progress_delay_ms_;
    UserMessages messages_;
    SaveFlow save_;
    QPointer<QWidget> active_;
    bool closing_ = false;
    std::function<QString(QWidget*, const QString&, const QString&)> ask_open_name_;
    QString last_folder_; // of the last save or open
    UndoHistory history_;
    // The step being recorded: what the command found.
    struct OpenStep {
        Module1 state;
        StepSide side;
        ImageKey image;
        bool pixels = false; // the canvas keeps the image as it was
    };
    std::optional<OpenStep> step_;
    int busy_ = 0;              // the kaleidoscope, a save or an opening is running
    int shown_copies_ = 0;      // the copies the kaleidoscope last drew
    std::uint64_t canvases_ = 0; // canvases made so far
    std::uint64_t redraws_ = 0;  // figures drawn afresh on the canvas so far
    // The other windows, top-level windows of their own.
    OwnedWindow<canvas> canvas_;
    OwnedWindow<adjust> adjust_;
    OwnedWindow<tressikhelp> help_;
    OwnedWindow<about1> about_;
};
