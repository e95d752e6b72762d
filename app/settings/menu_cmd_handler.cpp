#include "app/settings/menu_cmd_handler.h"

#include "app/indicators/buzzer.h"
#include "app/indicators/indicator_leds.h"
#include "app/settings/parameter_object.h"
#include "app/commands/reply_routing.h"

#include <atomic>
#include <mutex>
#include <pthread.h>
#include <string>
#include <string_view>

namespace {

constexpr std::uint32_t kFirstDigit = 0x5130; // "Q0"
constexpr std::uint32_t kLastDigit = 0x5139;  // "Q9"
constexpr std::uint32_t kProgramCode = 0xFFFFFFFFu;
constexpr unsigned kProgramTokenLength = 17; // '}' + 16
constexpr int kMenuVolume = 127;
constexpr int kMenuLedMs = 100;

thread_local unsigned silenced = 0;

std::atomic<MenuCmdHandler::MenuModeSource>& menuModeSlot()
{
    static std::atomic<MenuCmdHandler::MenuModeSource> slot{nullptr};
    return slot;
}

// '[' + 3 characters, ']' + 4, '{' + 5, '}' + 6.
bool hasLengthPrefix(std::string_view token)
{
    static constexpr char kPrefix[] = {'[', ']', '{', '}'};
    return token.size() >= 4 && token.size() <= 7 && token.front() == kPrefix[token.size() - 4];
}

std::uint32_t pack(std::string_view text)
{
    return ivra_configuration::PackCommandCode(text.data(), static_cast<unsigned>(text.size()));
}

} // namespace

MenuCmdHandler& MenuCmdHandler::getInstance()
{
    static MenuCmdHandler* const instance = new MenuCmdHandler();
    return *instance;
}

MenuCmdHandler::MenuCmdHandler()
    : universalResponse_(ivra_configuration::Root().universal_response)
{
    using namespace ivra_configuration;
    std::lock_guard<std::recursive_mutex> lock(CommandMutex());
    SetUndefinedCommandExecutor(*this);
    PushHandledCommandObserver(handledObserver_);
    PushUnhandledCommandObserver(unhandledObserver_);
    PushCommandSucceedObserver(succeedObserver_);
    PushCommandExceptedObserver(exceptedObserver_);
    Root().set_default_to_bank.Push(setDefaultToBankObserver_);
    Root().set_default_all_bank.Push(setDefaultAllBankObserver_);
    Root().save.Push(saveObserver_);
    Root().load.Push(loadObserver_);
}

void MenuCmdHandler::setLoadSavePropertiesCallback(std::function<bool()> const& load,
                                                   std::function<bool()> const& save)
{
    // The actions run under the command lock.
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    load_ = load;
    save_ = save;
}

MenuCmdHandler::Silence::Silence() { ++silenced; }
MenuCmdHandler::Silence::~Silence() { --silenced; }

void MenuCmdHandler::setMenuModeSource(MenuModeSource source)
{
    menuModeSlot().store(source);
}

bool MenuCmdHandler::menuMode()
{
    MenuModeSource const source = menuModeSlot().load();
    return source != nullptr && source();
}

void MenuCmdHandler::dropCommand()
{
    code_ = 0;
    index_ = -1;
    params_.clear();
    unfinished_ = false;
    open_ = -1;
}

void MenuCmdHandler::refuseOpenCommand(int index)
{
    if (index != -1) {
        ParameterObject::UndoCommandOf(index);
    }
    dropCommand();
}

bool MenuCmdHandler::Execute(char const* token, unsigned length, ivra_configuration::InputStream& in,
                             ivra_configuration::OutputStream& out)
{
    if (token == nullptr || length == 0 || (length == 1 && token[0] == '\0')) {
        code_ = 0;
        open_ = -1;
        return true;
    }
    std::string_view const text(token, length);

    // An object waiting for parameters may take the token as it is.
    if (code_ != 0 && index_ != -1) {
        std::string_view const parameter = hasLengthPrefix(text) ? text.substr(1) : text;
        if (ParameterObject::SetParameterAll(index_, code_, parameter.data(), static_cast<unsigned>(parameter.size()),
                                             in, out)
            == ParameterObject::kParameterTaken) {
            unfinished_ = false;
            return true;
        }
        // Not its parameter: the token runs on its own. Refused as well, it was a
        // parameter the command could not take, and the command goes with it.
        int const open = open_;
        if (runToken(text, in, out)) {
            return true;
        }
        if (open != -1) {
            refuseOpenCommand(open);
        }
        return false;
    }
    return runToken(text, in, out);
}

bool MenuCmdHandler::runToken(std::string_view text, ivra_configuration::InputStream& in,
                              ivra_configuration::OutputStream& out)
{
    std::size_t const length = text.size();
    std::uint32_t value = 0;
    if (length <= 2) {
        value = pack(text);
    } else if (hasLengthPrefix(text)) {
        value = pack(text.substr(1));
    } else if (length == kProgramTokenLength && text.front() == '}') {
        params_.assign(text.begin() + 1, text.end());
        code_ = kProgramCode;
        open_ = -1;
        return parse(kProgramCode, in, out);
    } else if (code_ != 0 && text.front() == '\'' && text.back() == '\'') {
        if (length > kMaxParameterBytes) {
            dropCommand();
            return false;
        }
        params_.assign(text.begin(), text.end());
        return parse(0, in, out, true);
    } else {
        value = pack(text);
    }

    if (value >= kFirstDigit && value <= kLastDigit) {
        if (code_ == 0) {
            return false; // a number with no command to take it
        }
        if (params_.size() + 2 > kMaxParameterBytes) {
            // More digits than any command takes: the command is dropped.
            dropCommand();
            return false;
        }
        params_.push_back('Q');
        params_.push_back(static_cast<char>(value & 0xFF));
        return parse(value, in, out);
    }
    if (value == 0) {
        return code_ == 0 || parse(0, in, out);
    }
    code_ = value;
    open_ = -1; // a new command: the one before it is complete
    if (value != kProgramCode) {
        params_.clear();
    }
    return parse(value, in, out);
}

bool MenuCmdHandler::EndOfLine()
{
    bool const complete = !unfinished_;
    if (complete) {
        dropCommand();
    } else {
        refuseOpenCommand(open_);
    }
    return complete;
}

bool MenuCmdHandler::parse(std::uint32_t resetCode, ivra_configuration::InputStream& in,
                           ivra_configuration::OutputStream& out, bool quoted)
{
    int index = index_;
    int const result = ParameterObject::ParseAll(code_, params_, in, out, index);
    unfinished_ = result == ParameterObject::kNeedParameters;
    switch (result) {
    case ParameterObject::kDone:
        code_ = resetCode;
        params_.clear();
        index_ = -1;
        open_ = -1;
        return true;
    case ParameterObject::kDoneTakesParameters:
        params_.clear();
        index_ = index;
        open_ = index;
        return true;
    case ParameterObject::kNeedParameters:
        if (quoted) {
            // A quoted text is the whole parameter: no later token can make it fit.
            dropCommand();
            return false;
        }
        index_ = index;
        return true;
    case ParameterObject::kNotMine:
    case ParameterObject::kRefused:
        return false;
    default:
        return true;
    }
}

void MenuCmdHandler::signalMenu(int beep, unsigned leds)
{
    if (menuMode()) {
        Buzzer::getInstance().play(beep, kMenuVolume);
        IndicatorLeds::getInstance().doAction(leds, kMenuLedMs);
    }
}

bool MenuCmdHandler::onHandledCommand()
{
    signalMenu(Buzzer::kGoodRead, IndicatorLeds::kGoodReadLed);
    return true;
}

bool MenuCmdHandler::onUnhandledCommand()
{
    signalMenu(Buzzer::kError, IndicatorLeds::kErrorLed);
    return true;
}

void MenuCmdHandler::answer(char byte)
{
    unsigned long const self = pthread_self();
    int const channel = GetInterfaceOutputStreamByThread(self);
    if (silenced == 0 && universalResponse_.Value() && !menuMode() &&
        (channel == kChannelUsbCom || channel == kChannelUart)) {
        std::string text(1, byte);
        DoStringToOutputStream(self, text, false);
    }
}

bool MenuCmdHandler::onCommandSucceed()
{
    answer(kAck);
    return true;
}

bool MenuCmdHandler::onCommandExcepted()
{
    answer(kNak);
    return true;
}

bool MenuCmdHandler::onSetDefaultToBank()
{
    (void)ivra_configuration::SetDefaultToBank(ivra_configuration::Root().set_default_to_bank.Value());
    return true;
}

bool MenuCmdHandler::onSetDefaultAllBank()
{
    return true;
}

bool MenuCmdHandler::onSaveProperties()
{
    // Without a callback nothing was saved, which must not read as success.
    return save_ ? save_() : false;
}

bool MenuCmdHandler::onLoadProperties()
{
    return load_ ? load_() : false;
}
