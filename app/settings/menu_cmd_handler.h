#pragma once
// Takes every command code that no fixed-code executor takes and offers it,
// with the parameters that follow it, to the application's parameter objects.
// It also observes each command's outcome: in menu mode a beep and the LEDs
// tell the user; on the serial channels ACK or NAK tells the host, when
// `universal_response` asks for it. And it carries out the "save" and "load"
// actions through the callbacks it is given.
//
// One command state serves all three command threads; the evaluator's command
// lock keeps their calls apart.

#include "config/configuration.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class MenuCmdHandler final : public ivra_configuration::UndefinedCommandExecutor {
public:
    static constexpr char kAck = 0x06;
    static constexpr char kNak = 0x15;
    // Parameter bytes a command may collect; past this the command is dropped.
    static constexpr std::size_t kMaxParameterBytes = 1024;

    // Built on first use, when it installs itself in the evaluator; never destroyed.
    static MenuCmdHandler& getInstance();

    // True: the token was handled.
    bool Execute(char const* token, unsigned length, ivra_configuration::InputStream& in,
                 ivra_configuration::OutputStream& out) override;
    // Every line starts without a command: one still waiting for its parameters when
    // the line ends is dropped (false), so "EH1" with one digit is refused. A command that
    // took effect and takes optional parameters is undone when the line ends short of
    // one, or when a token after it is neither its parameter nor a command: a refused
    // command changes nothing.
    bool EndOfLine() override;

    void setLoadSavePropertiesCallback(std::function<bool()> const& load, std::function<bool()> const& save);

    bool onHandledCommand();
    bool onUnhandledCommand();
    bool onCommandSucceed();
    bool onCommandExcepted();
    bool onSetDefaultToBank();
    bool onSetDefaultAllBank();
    bool onSaveProperties();
    bool onLoadProperties();

    // While one lives on a thread, the lines that thread evaluates get no ACK or NAK: the
    // firmware's own lines (the factory lines a restore replays) are no host commands.
    class Silence {
    public:
        Silence();
        ~Silence();
        Silence(Silence const&) = delete;
        Silence& operator=(Silence const&) = delete;
    };

    // Whether the read cycle is in menu mode; the read cycle installs its
    // query when it is built. Until then menu mode is off.
    using MenuModeSource = bool (*)();
    static void setMenuModeSource(MenuModeSource source);
    static bool menuMode();

    // The command state, for tests.
    std::uint32_t currentCode() const { return code_; }
    int waitingIndex() const { return index_; }
    std::vector<char> const& parameters() const { return params_; }

private:
    MenuCmdHandler();
    // Step 5 of a token: hands code and parameters to the parameter objects.
    // A quoted parameter that does not fit the command refuses it.
    bool parse(std::uint32_t resetCode, ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out,
               bool quoted = false);
    // Step 3 on: the token as a code, a number or a quoted parameter.
    bool runToken(std::string_view text, ivra_configuration::InputStream& in, ivra_configuration::OutputStream& out);
    void dropCommand();
    // Undoes the command of the object with that index (-1: none) and drops it.
    void refuseOpenCommand(int index);
    void answer(char byte);
    void signalMenu(int beep, unsigned leds);

    ivra_configuration::DelegateObserver<MenuCmdHandler> handledObserver_{*this, &MenuCmdHandler::onHandledCommand};
    ivra_configuration::DelegateObserver<MenuCmdHandler> unhandledObserver_{*this,
                                                                           &MenuCmdHandler::onUnhandledCommand};
    ivra_configuration::DelegateObserver<MenuCmdHandler> succeedObserver_{*this, &MenuCmdHandler::onCommandSucceed};
    ivra_configuration::DelegateObserver<MenuCmdHandler> exceptedObserver_{*this,
                                                                          &MenuCmdHandler::onCommandExcepted};
    ivra_configuration::DelegateObserver<MenuCmdHandler> setDefaultToBankObserver_{
        *this, &MenuCmdHandler::onSetDefaultToBank};
    ivra_configuration::DelegateObserver<MenuCmdHandler> setDefaultAllBankObserver_{
        *this, &MenuCmdHandler::onSetDefaultAllBank};
    ivra_configuration::DelegateObserver<MenuCmdHandler> saveObserver_{*this, &MenuCmdHandler::onSaveProperties};
    ivra_configuration::DelegateObserver<MenuCmdHandler> loadObserver_{*this, &MenuCmdHandler::onLoadProperties};

    std::uint32_t code_ = 0;
    int index_ = -1;
    std::vector<char> params_;
    bool unfinished_ = false; // the last command asked for more parameters
    int open_ = -1;           // the object whose command took effect and takes parameters
    ivra_configuration::PropertyHandle<bool> const& universalResponse_;
    std::function<bool()> load_;
    std::function<bool()> save_;
};
