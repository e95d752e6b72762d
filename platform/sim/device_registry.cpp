#include "platform/sim/device_registry.h"

#include "platform/sim/capture_device.h"
#include "platform/sim/device_nodes.h"
#include "platform/sim/hid_gadget.h"
#include "platform/sim/key_input.h"
#include "platform/sim/nor_flash.h"
#include "platform/sim/physical_memory.h"
#include "platform/sim/serial_line.h"
#include "platform/sim/sysfs_attributes.h"
#include "platform/sim/system_recorder.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/eventfd.h>
#include <unistd.h>

namespace plat::sim {
namespace {

int fail(int error)
{
    errno = error;
    return -1;
}

// Devices without a kernel object behind them still get a real descriptor, so that their
// numbers never clash with the kernel's and poll has something to look at.
int placeholder()
{
    return ::eventfd(0, EFD_CLOEXEC);
}

int adopt(DescriptorTable& table, int fd, std::shared_ptr<OpenFile> file)
{
    table.insert(fd, std::move(file));
    return fd;
}

std::optional<std::size_t> unitOf(std::string_view path, NodeKind a, NodeKind b)
{
    auto const node = findNode(path);
    if (!node) {
        return std::nullopt;
    }
    auto const& entry = deviceNodes()[*node];
    if (entry.kind != a && entry.kind != b) {
        return std::nullopt;
    }
    return entry.unit;
}

} // namespace

DeviceRegistry& registry()
{
    static DeviceRegistry* const instance = new DeviceRegistry;
    return *instance;
}

DeviceRegistry::DeviceRegistry()
    : attributes_(std::make_shared<SysfsAttributes>()),
      keyInput_(std::make_shared<KeyInput>()),
      memory_(std::make_shared<PhysicalMemory>()),
      recorder_(std::make_shared<SystemRecorder>()),
      hidGadget_(std::make_shared<HidGadget>()),
      removed_(new std::atomic<bool>[deviceNodes().size()])
{
    for (std::size_t i = 0; i < deviceNodes().size(); ++i) {
        removed_[i] = false;
    }
}

Route DeviceRegistry::route(char const* path) const
{
    std::string_view const wanted(path);
    {
        std::lock_guard lock(mutex_);
        if (auto it = redirects_.find(wanted); it != redirects_.end()) {
            return {Route::Kind::Kernel, 0, it->second};
        }
    }
    if (auto node = findNode(wanted)) {
        return {Route::Kind::Node, *node, {}};
    }
    if (isBoardPath(wanted)) {
        return {Route::Kind::Missing, 0, {}};
    }
    return {Route::Kind::Kernel, 0, std::string(wanted)};
}

int DeviceRegistry::openNode(std::size_t node, int flags)
{
    int const access = flags & O_ACCMODE;
    if (access != O_RDONLY && access != O_WRONLY && access != O_RDWR) {
        return fail(EINVAL);
    }
    if (!present(node)) {
        return fail(ENOENT);
    }
    auto const& entry = deviceNodes()[node];
    int error = 0;
    switch (entry.kind) {
    case NodeKind::Serial: {
        auto line = serialAt(entry.unit, error);
        if (!line) {
            return fail(error);
        }
        int const fd = line->openSlave(flags);
        if (fd < 0) {
            return fail(-fd);
        }
        return adopt(descriptors_, fd, std::make_shared<SerialOpenFile>(node, flags, fd, std::move(line)));
    }
    case NodeKind::Flash:
    case NodeKind::FlashReadOnly: {
        if (entry.kind == NodeKind::FlashReadOnly && access != O_RDONLY) {
            return fail(EACCES);
        }
        auto flash = flashAt(entry.unit, error);
        if (!flash) {
            return fail(error);
        }
        if (flash->failsOpen()) {
            return fail(EIO);
        }
        int const fd = placeholder();
        if (fd < 0) {
            return -1;
        }
        return adopt(descriptors_, fd, std::make_shared<FlashOpenFile>(node, flags, std::move(flash)));
    }
    case NodeKind::Attribute:
    case NodeKind::PwmExport: {
        auto bank = attributes();
        if (!bank->present(node)) {
            return fail(ENOENT);
        }
        if (entry.kind == NodeKind::PwmExport && access != O_WRONLY) {
            return fail(EACCES);
        }
        int const fd = placeholder();
        if (fd < 0) {
            return -1;
        }
        return adopt(descriptors_, fd, std::make_shared<AttributeOpenFile>(node, flags, std::move(bank)));
    }
    case NodeKind::KeyInput: {
        auto input = keyInput();
        int writeFd = -1;
        int const stream = input->openReader(flags, writeFd);
        if (stream < 0) {
            return fail(-stream);
        }
        // The caller gets a duplicate to poll and close; the open file reads its own
        // number, which stays valid until the last read through it has returned.
        int const fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) {
            int const error = errno;
            input->closeReader(writeFd);
            ::close(stream);
            return fail(error);
        }
        return adopt(descriptors_, fd, std::make_shared<KeyOpenFile>(node, flags, stream, writeFd, std::move(input)));
    }
    case NodeKind::PhysicalMemory: {
        auto mem = memory();
        if (mem->faults().failOpen) {
            return fail(EACCES);
        }
        int const fd = placeholder();
        if (fd < 0) {
            return -1;
        }
        return adopt(descriptors_, fd, std::make_shared<MemoryOpenFile>(node, flags, std::move(mem)));
    }
    case NodeKind::Capture: {
        auto camera = capture();
        // Its counter tells pollers that a DQBUF would not wait.
        int const fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0) {
            return -1;
        }
        return adopt(descriptors_, fd, std::make_shared<CaptureOpenFile>(node, flags, fd, std::move(camera)));
    }
    case NodeKind::HidGadget: {
        auto gadget = hidGadget();
        int writeFd = -1;
        int stream = -1;
        if (access != O_WRONLY) {
            stream = gadget->openReader(flags, writeFd);
            if (stream < 0) {
                return fail(-stream);
            }
        }
        // A reader polls a duplicate of its LED stream; a writer gets a placeholder.
        int const fd = stream >= 0 ? ::fcntl(stream, F_DUPFD_CLOEXEC, 0) : placeholder();
        if (fd < 0) {
            int const error = errno;
            if (stream >= 0) {
                gadget->closeReader(writeFd);
                ::close(stream);
            }
            return fail(error);
        }
        return adopt(descriptors_, fd, std::make_shared<HidOpenFile>(node, flags, stream, writeFd, std::move(gadget)));
    }
    }
    return fail(ENOENT);
}

int DeviceRegistry::stat(char const* path, struct stat* info)
{
    Route const where = route(path);
    if (where.kind == Route::Kind::Kernel) {
        return ::stat(where.hostPath.c_str(), info);
    }
    if (where.kind == Route::Kind::Node && present(where.node)) {
        auto const& entry = deviceNodes()[where.node];
        *info = {};
        switch (entry.kind) {
        case NodeKind::Serial: {
            int error = 0;
            auto line = serialAt(entry.unit, error);
            if (!line) {
                return fail(error);
            }
            return ::stat(line->slavePath().c_str(), info);
        }
        case NodeKind::Attribute:
        case NodeKind::PwmExport:
            if (!attributes()->present(where.node)) {
                return fail(ENOENT);
            }
            info->st_mode = S_IFREG | (entry.kind == NodeKind::PwmExport ? 0200 : 0644);
            info->st_size = 4096;
            return 0;
        case NodeKind::Flash:
        case NodeKind::FlashReadOnly:
        case NodeKind::KeyInput:
        case NodeKind::PhysicalMemory:
        case NodeKind::Capture:
        case NodeKind::HidGadget:
            info->st_mode = S_IFCHR | 0660;
            return 0;
        }
    }
    if (isDirectory(path)) {
        *info = {};
        info->st_mode = S_IFDIR | 0755;
        return 0;
    }
    return fail(ENOENT);
}

bool DeviceRegistry::isDirectory(std::string_view path) const
{
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    auto const bank = attributes();
    for (std::size_t i = 0; i < deviceNodes().size(); ++i) {
        auto const& entry = deviceNodes()[i];
        bool const inFolder = entry.path.size() > path.size() + 1 && entry.path.starts_with(path) &&
                              entry.path[path.size()] == '/';
        if (!inFolder || !present(i)) {
            continue;
        }
        bool const isAttribute = entry.kind == NodeKind::Attribute || entry.kind == NodeKind::PwmExport;
        if (!isAttribute || bank->present(i)) {
            return true;
        }
    }
    return false;
}

bool DeviceRegistry::setBoardDirectory(std::string const& path)
{
    if (path.empty()) {
        errno = EINVAL;
        return false;
    }
    std::error_code failure;
    std::filesystem::create_directories(path, failure);
    if (!std::filesystem::is_directory(path, failure)) {
        errno = failure ? failure.value() : ENOTDIR;
        return false;
    }
    std::lock_guard lock(mutex_);
    directory_ = path;
    flash_ = {}; // reopened from the new directory on next use
    return true;
}

std::string DeviceRegistry::boardDirectory() const
{
    std::lock_guard lock(mutex_);
    return directory_;
}

void DeviceRegistry::reset()
{
    std::lock_guard lock(mutex_);
    serial_ = {};
    flash_ = {};
    attributes_ = std::make_shared<SysfsAttributes>();
    keyInput_ = std::make_shared<KeyInput>();
    memory_ = std::make_shared<PhysicalMemory>();
    recorder_ = std::make_shared<SystemRecorder>();
    capture_ = nullptr;
    hidGadget_ = std::make_shared<HidGadget>();
    for (std::size_t i = 0; i < deviceNodes().size(); ++i) {
        removed_[i] = false;
    }
    redirects_.clear();
}

bool DeviceRegistry::setRemoved(std::string_view path, bool removed)
{
    auto const node = findNode(path);
    if (!node) {
        return false;
    }
    removed_[*node] = removed;
    if (deviceNodes()[*node].kind == NodeKind::Capture) {
        // Wakes a firmware thread waiting for a frame that will not come.
        capture()->setPresent(!removed);
    }
    return true;
}

bool DeviceRegistry::redirect(std::string_view path, std::string const& hostPath)
{
    if (!findNode(path)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (hostPath.empty()) {
        redirects_.erase(std::string(path));
    } else {
        redirects_.insert_or_assign(std::string(path), hostPath);
    }
    return true;
}

std::shared_ptr<SerialLine> DeviceRegistry::serialAt(std::size_t unit, int& error)
{
    std::lock_guard lock(mutex_);
    auto& line = serial_[unit];
    if (!line) {
        line = SerialLine::create(error);
    }
    return line;
}

std::shared_ptr<NorFlash> DeviceRegistry::flashAt(std::size_t unit, int& error)
{
    std::lock_guard lock(mutex_);
    auto& flash = flash_[unit];
    if (!flash) {
        std::error_code failure;
        std::filesystem::create_directories(directory_, failure);
        std::string const file = directory_ + "/mtd" + std::to_string(unit + 1) + ".bin";
        flash = NorFlash::open(file, {kFlashSizes[unit], kFlashEraseSize}, error);
    }
    return flash;
}

std::shared_ptr<SerialLine> DeviceRegistry::serialLine(std::string_view port)
{
    auto const unit = unitOf(port, NodeKind::Serial, NodeKind::Serial);
    if (!unit) {
        return nullptr;
    }
    int error = 0;
    return serialAt(*unit, error);
}

std::shared_ptr<NorFlash> DeviceRegistry::flash(std::string_view partition)
{
    auto const unit = unitOf(partition, NodeKind::Flash, NodeKind::FlashReadOnly);
    if (!unit) {
        return nullptr;
    }
    int error = 0;
    return flashAt(*unit, error);
}

std::shared_ptr<SysfsAttributes> DeviceRegistry::attributes() const
{
    std::lock_guard lock(mutex_);
    return attributes_;
}

std::shared_ptr<KeyInput> DeviceRegistry::keyInput() const
{
    std::lock_guard lock(mutex_);
    return keyInput_;
}

std::shared_ptr<PhysicalMemory> DeviceRegistry::memory() const
{
    std::lock_guard lock(mutex_);
    return memory_;
}

std::shared_ptr<SystemRecorder> DeviceRegistry::recorder() const
{
    std::lock_guard lock(mutex_);
    return recorder_;
}

std::shared_ptr<HidGadget> DeviceRegistry::hidGadget() const
{
    std::lock_guard lock(mutex_);
    return hidGadget_;
}

std::shared_ptr<CaptureDevice> DeviceRegistry::capture()
{
    std::lock_guard lock(mutex_);
    if (!capture_) {
        capture_ = std::make_shared<CaptureDevice>();
        for (std::size_t i = 0; i < deviceNodes().size(); ++i) {
            if (deviceNodes()[i].kind == NodeKind::Capture) {
                capture_->setPresent(present(i));
            }
        }
    }
    return capture_;
}

} // namespace plat::sim
