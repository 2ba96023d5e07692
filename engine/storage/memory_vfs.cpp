// The simulated disk: nodes with synced bytes plus a log of unsynced writes.
#include "storage/memory_vfs.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "jet/error.h"

namespace jet {

namespace {

struct PendingWrite {
  std::uint64_t offset = 0;
  std::vector<std::uint8_t> bytes;
  bool truncate = false;  // a truncation to `offset` bytes
};

void applyWrite(std::vector<std::uint8_t>& data, const PendingWrite& w) {
  if (w.truncate) {
    data.resize(static_cast<std::size_t>(w.offset));
    return;
  }
  const std::size_t end = static_cast<std::size_t>(w.offset) + w.bytes.size();
  if (data.size() < end) data.resize(end);
  std::copy(w.bytes.begin(), w.bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(w.offset));
}

std::string folderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace

// Who holds one lock slot of a file: one exclusive holder or any number of
// shared ones.
struct SlotHolders {
  const void* exclusive = nullptr;
  std::set<const void*> shared;

  bool set(const void* who, LockLevel level) {
    const bool othersShare = shared.size() > (shared.count(who) != 0 ? 1u : 0u);
    if (level == LockLevel::Shared && exclusive != nullptr && exclusive != who) return false;
    if (level == LockLevel::Exclusive && ((exclusive != nullptr && exclusive != who) || othersShare)) return false;
    shared.erase(who);
    if (exclusive == who) exclusive = nullptr;
    if (level == LockLevel::Shared) shared.insert(who);
    if (level == LockLevel::Exclusive) exclusive = who;
    return true;
  }
  bool heldBesides(const void* who) const {
    return (exclusive != nullptr && exclusive != who) || shared.size() > (shared.count(who) != 0 ? 1u : 0u);
  }
};

struct MemoryVfs::Node {
  std::vector<std::uint8_t> synced;   // durable bytes
  std::vector<std::uint8_t> current;  // synced + pending, what reads see
  std::vector<PendingWrite> pending;
  SlotHolders locks[kLockSlots];
  bool writeProtected = false;
};

class MemoryVfsFile final : public File {
 public:
  MemoryVfsFile(MemoryVfs& vfs, std::shared_ptr<MemoryVfs::Node> node, std::string name, bool writable)
      : vfs_(vfs), node_(std::move(node)), name_(std::move(name)), writable_(writable) {}
  ~MemoryVfsFile() override {
    for (SlotHolders& slot : node_->locks) slot.set(this, LockLevel::None);
  }

  const std::string& name() const override { return name_; }
  std::uint64_t size() override { return node_->current.size(); }

  std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const auto& data = node_->current;
    if (offset >= data.size()) return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), data.size() - offset));
    std::memcpy(out.data(), data.data() + offset, n);
    return n;
  }

  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    requireWritable("write");
    if (!vfs_.admit("write", name_)) return;
    PendingWrite w{offset, std::vector<std::uint8_t>(data.begin(), data.end()), false};
    applyWrite(node_->current, w);
    node_->pending.push_back(std::move(w));
  }

  void sync() override {
    if (!vfs_.admit("sync", name_)) return;
    for (const PendingWrite& w : node_->pending) applyWrite(node_->synced, w);
    node_->pending.clear();
  }

  void truncate(std::uint64_t size) override {
    requireWritable("truncate");
    if (!vfs_.admit("truncate", name_)) return;
    PendingWrite w{size, {}, true};
    applyWrite(node_->current, w);
    node_->pending.push_back(std::move(w));
  }

  bool writable() const override { return writable_; }

  bool setLock(LockSlot slot, LockLevel level) override {
    if (level == LockLevel::Exclusive && !writable_) return false;
    return node_->locks[static_cast<std::size_t>(slot)].set(this, level);
  }
  bool lockedElsewhere(LockSlot slot) override {
    return node_->locks[static_cast<std::size_t>(slot)].heldBesides(this);
  }
  std::string identity() const override { return identityOfNode(node_.get()); }

  static std::string identityOfNode(const void* node) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(node));
  }

 private:
  void requireWritable(const char* what) const {
    if (!writable_) throw Error(ErrorCode::Io, std::string("Cannot ") + what + " '" + name_ + "': Bad file descriptor");
  }

  MemoryVfs& vfs_;
  std::shared_ptr<MemoryVfs::Node> node_;
  std::string name_;
  bool writable_;
};

MemoryVfs::MemoryVfs() = default;
MemoryVfs::~MemoryVfs() = default;

bool MemoryVfs::admit(const std::string& what, const std::string& path) {
  const std::size_t n = operations_++;
  if (crashAt_ && n >= *crashAt_) crashed_ = true;
  if (crashed_) return false;
  if (failAt_ && (n == *failAt_ || (failPersistent_ && n > *failAt_))) {
    throw Error(ErrorCode::Io, "Cannot " + what + " '" + path + "': Input/output error (simulated)");
  }
  return true;
}

std::unique_ptr<File> MemoryVfs::open(const std::string& path, OpenMode mode) {
  const auto it = entries_.find(path);
  if (it == entries_.end()) throw Error(ErrorCode::NotFound, "Cannot open '" + path + "': the file does not exist");
  if (mode == OpenMode::ReadWrite && it->second->writeProtected) {
    throw Error(ErrorCode::Io, "Cannot open '" + path + "': Permission denied");
  }
  return std::make_unique<MemoryVfsFile>(*this, it->second, path, mode == OpenMode::ReadWrite);
}

std::unique_ptr<File> MemoryVfs::create(const std::string& path) {
  auto node = std::make_shared<Node>();
  if (admit("create", path)) entries_[path] = node;
  return std::make_unique<MemoryVfsFile>(*this, node, path, true);
}

bool MemoryVfs::exists(const std::string& path) { return entries_.count(path) != 0; }

void MemoryVfs::remove(const std::string& path) {
  if (admit("remove", path)) entries_.erase(path);
}

void MemoryVfs::syncDirectory(const std::string& path) {
  if (!admit("sync the folder of", path)) return;
  const std::string folder = folderOf(path);
  for (auto it = durable_.begin(); it != durable_.end();) {
    it = folderOf(it->first) == folder && !entries_.count(it->first) ? durable_.erase(it) : std::next(it);
  }
  for (const auto& [name, node] : entries_) {
    if (folderOf(name) == folder) durable_[name] = node;
  }
}

void MemoryVfs::rename(const std::string& from, const std::string& to) {
  const auto it = entries_.find(from);
  if (it == entries_.end()) throw Error(ErrorCode::Io, "Cannot rename '" + from + "': the file does not exist");
  if (entries_.count(to) != 0) throw Error(ErrorCode::Io, "Cannot rename '" + from + "' to '" + to + "': File exists");
  if (!admit("rename", from)) return;
  entries_[to] = it->second;
  entries_.erase(from);
}

std::string MemoryVfs::identityOf(const std::string& path) {
  const auto it = entries_.find(path);
  return it == entries_.end() ? std::string() : MemoryVfsFile::identityOfNode(it->second.get());
}

void MemoryVfs::put(const std::string& path, std::vector<std::uint8_t> bytes) {
  auto node = std::make_shared<Node>();
  node->synced = bytes;
  node->current = std::move(bytes);
  entries_[path] = node;
  durable_[path] = node;
}

std::vector<std::uint8_t> MemoryVfs::contents(const std::string& path) const {
  const auto it = entries_.find(path);
  return it == entries_.end() ? std::vector<std::uint8_t>{} : it->second->current;
}

void MemoryVfs::setWriteProtected(const std::string& path, bool on) {
  if (const auto it = entries_.find(path); it != entries_.end()) it->second->writeProtected = on;
}

void MemoryVfs::failAt(std::size_t operation, bool persistent) {
  failAt_ = operation;
  failPersistent_ = persistent;
}

void MemoryVfs::crashAt(std::size_t operation) { crashAt_ = operation; }

void MemoryVfs::clearFaults() {
  failAt_.reset();
  crashAt_.reset();
  crashed_ = false;
  failPersistent_ = false;
}

void MemoryVfs::powerCut(Survival survival, std::uint32_t seed) {
  std::mt19937 rng(seed);
  entries_ = durable_;
  for (auto& [name, node] : entries_) {
    std::vector<std::uint8_t> data = node->synced;
    for (const PendingWrite& w : node->pending) {
      const bool keep = survival == Survival::All || (survival == Survival::Random && (rng() & 1) != 0);
      if (keep) applyWrite(data, w);
    }
    node->synced = data;
    node->current = std::move(data);
    node->pending.clear();
    for (SlotHolders& slot : node->locks) slot = SlotHolders{};
  }
  clearFaults();
}

}  // namespace jet
