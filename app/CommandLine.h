#pragma once

#include <functional>
#include <string>
#include <vector>

// What the arguments and the environment ask of this start. It is decided before the
// toolkit starts, because the toolkit cannot even print a help text without a display and
// aborts with a misleading message when there is none.
class CommandLine {
public:
    enum class Action { Run, Help, Version, Usage, NoDisplay };

    // The value of an environment variable, or nullptr when it is not set.
    using Environment = std::function<const char*(const char*)>;

    // args are the arguments after the program name.
    CommandLine(const std::vector<std::string>& args, const Environment& env);

    Action action() const { return action_; }
    // What to print before leaving: on standard output for Help and Version, on standard
    // error for Usage and NoDisplay; empty for Run.
    const std::string& text() const { return text_; }
    int exit_code() const;
    // The display platform to start the toolkit on, or empty to leave the choice to it.
    const std::string& platform() const { return platform_; }
    // The drawing to open once the program has started, or empty.
    const std::string& file() const { return file_; }

private:
    bool accept_toolkit_option(const std::vector<std::string>& args, std::size_t& i);
    void refuse(const std::string& why);

    Action action_ = Action::Run;
    std::string text_;
    std::string platform_;
    std::string file_;
    bool platform_chosen_ = false;
    bool display_named_ = false;
};
