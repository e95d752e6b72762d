// Line bytes through the serial command framing, the memory pipe and the
// command handler. Whatever arrives: frames come out well formed and no longer
// than the limit, the pipe hands out exactly the bytes it accepted, and the
// handler never collects more parameter bytes than its limit. The handler meets only
// the stand-in codes, whatever else the program links: a real command may sleep (the
// loader command waits a second), start a read or write the flash.

#include "app/commands/memory_pipe_stream.h"
#include "app/settings/menu_cmd_handler.h"
#include "app/settings/parameter_object.h"
#include "app/commands/serial_input_cmd_stream.h"
#include "config/configuration.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Codes that take no, two and up to ninety-nine parameters.
class Codes final : public ParameterObject {
public:
    Codes() : ParameterObject("fuzzcodes", ParameterIdentifier::Unused, kTable) {}
    int ExecuteCommand(unsigned, std::vector<char>, ivra_configuration::InputStream&,
                       ivra_configuration::OutputStream&) override
    {
        return kDone;
    }

private:
    static constexpr MenuCommandItem kTable[] = {
        {0x5A54, 0, 0, {0, 0}},      // ZT
        {0x5A50, 2, 2, {0, 0}},      // ZP
        {0x53533A, 1, 99, {0, 0}},   // SS:
        {0xFFFFFFFFu, 8, 8, {0, 0}}, // the program token
        {0, 0, 0, {0, 0}},
    };
};

// Holds an identifier's slot in the registry with no commands, so that the handler
// meets only the codes above whatever other objects the program has built: a real
// object's command may sleep, start a read or write the flash.
class Inert final : public ParameterObject {
public:
    explicit Inert(ParameterIdentifier identifier) : ParameterObject("", identifier, nullptr) {}
};

// The registry as these runs need it: the stand-in codes and nothing else.
bool OnlyCodes()
{
    for (int i = 0; i < kParameterIdentifierCount; ++i) {
        auto const identifier = static_cast<ParameterIdentifier>(i);
        if (identifier != ParameterIdentifier::Unused) {
            new Inert(identifier); // kept for the life of the process
        }
    }
    static Codes codes;
    return true;
}

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void framing(std::uint8_t const* data, std::size_t size)
{
    SerialInputCmdStream stream("", 115200, 0, 8, 0, 1000); // no port: framing only
    for (std::size_t i = 0; i < size; ++i) {
        if (!stream.accept(data[i])) {
            continue;
        }
        std::string frame;
        for (char c; stream.hasPending() && stream.Read(c);) {
            frame.push_back(c);
        }
        check(frame.size() > 2 && frame.size() <= SerialInputCmdStream::kMaxFrame);
        check(frame.front() == SerialInputCmdStream::kEsc && frame.back() == SerialInputCmdStream::kCr);
        check(frame.find_first_of("\x1b\x02", 1) == std::string::npos);
    }
}

void pipe(std::uint8_t const* data, std::size_t size)
{
    MemoryPipeStream pipe;
    pipe.setWriteWait(std::chrono::milliseconds(0));
    std::string accepted;
    std::string received;
    for (std::size_t i = 0; i < size; ++i) {
        char const c = static_cast<char>(data[i]);
        if (pipe.output().Write(c)) {
            accepted.push_back(c);
        }
        // Every third byte the reader catches up, so the ring fills and drains.
        if (i % 3 == 2 && pipe.unread() > 0) {
            char r;
            check(pipe.input().Read(r));
            received.push_back(r);
        }
        check(pipe.unread() < MemoryPipeStream::kSize);
    }
    for (char r; pipe.unread() > 0 && pipe.input().Read(r);) {
        received.push_back(r);
    }
    check(received == accepted);
}

void tokens(std::uint8_t const* data, std::size_t size)
{
    static bool const registered = OnlyCodes();
    (void)registered;
    MenuCmdHandler& handler = MenuCmdHandler::getInstance();
    std::lock_guard<std::recursive_mutex> lock(ivra_configuration::CommandMutex());
    ivra_configuration::MemoryInputStream in("");
    ivra_configuration::StringOutputStream out;
    char const nul = '\0';
    handler.Execute(&nul, 1, in, out);
    // Tokens separated by CR bytes.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0x0D) {
            continue;
        }
        handler.Execute(reinterpret_cast<char const*>(data + start), static_cast<unsigned>(i - start), in, out);
        check(handler.parameters().size() <= MenuCmdHandler::kMaxParameterBytes);
        start = i + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    framing(data, size);
    pipe(data, size);
    tokens(data, size);
    return 0;
}
#include "app/firmware_main.h"
bool (*volatile keepFirmware)() = &SaveSettings;
