#include "platform/memory/file_system.h"

#include <stdexcept>

#include "platform/ascii.h"
#include "platform/program_path.h"

namespace zelmo::platform::memory {

std::string MemoryFileSystem::Key(std::string path) {
    while (path.size() > 2 && path.back() == '\\') path.pop_back();
    AsciiUpperCase(path);
    return path;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& path) {
    const auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

void MemoryFileSystem::AddDrive(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
    drives_ |= 1u << (letter - 'A');
    const std::string root{letter, ':'};
    if (!Find(root)) nodes_[Key(root)] = Node{root, kAttributeDirectory, true, {}};
}

MemoryFileSystem::Node& MemoryFileSystem::Add(const std::string& path, std::uint32_t attributes) {
    const std::size_t slash = path.rfind('\\');
    if (path.size() < 4 || path[1] != ':' || slash == std::string::npos) {
        throw std::invalid_argument("not a full path below a drive: " + path);
    }
    AddDrive(path[0]);
    const std::string parent = path.substr(0, slash);
    if (parent.size() > 2) AddFolder(parent);
    if (Node* existing = Find(path)) {
        existing->attributes = attributes;
        return *existing;
    }
    const std::string key = Key(path);
    Find(parent)->children.push_back(key);
    return nodes_[key] = Node{path, attributes, true, {}};
}

void MemoryFileSystem::AddFolder(const std::string& path, std::uint32_t attributes) {
    if (Node* existing = Find(path)) {
        if (attributes != kAttributeDirectory) existing->attributes = attributes;
        return;
    }
    Add(path, attributes);
}

void MemoryFileSystem::AddFile(const std::string& path, std::uint32_t attributes) {
    Add(path, attributes);
}

void MemoryFileSystem::SetListable(const std::string& path, bool listable) {
    if (Node* node = Find(path)) node->listable = listable;
}

std::uint32_t MemoryFileSystem::LogicalDrives() { return drives_; }

bool MemoryFileSystem::ListFolder(const std::string& folder,
                                  const std::function<void(const FolderEntry&)>& visit) {
    ++listCalls_;
    const Node* node = Find(folder);
    if (!node || !node->listable || !(node->attributes & kAttributeDirectory)) return false;
    if (folder.size() + 3 > kMaxPath) return false;
    visit(FolderEntry{kAttributeDirectory, "."});
    visit(FolderEntry{kAttributeDirectory, ".."});
    for (const std::string& key : node->children) {
        const Node& child = nodes_.at(key);
        visit(FolderEntry{child.attributes, child.path.substr(child.path.rfind('\\') + 1)});
    }
    return true;
}

std::optional<std::string> MemoryFileSystem::ProbeFolder(const std::string& folder,
                                                         const std::string& fileName) {
    ++probeCalls_;
    if (fileName.empty() || fileName.find_first_of("*?<>|\"") != std::string::npos) {
        return std::nullopt;
    }
    std::string path;
    if (fileName.size() >= 2 && fileName[1] == ':') {
        path = fileName;  // an absolute name ignores the folder
    } else if (fileName.front() == '\\') {
        path = folder.substr(0, 2) + fileName;
    } else {
        path = folder;
        EndWithBackslash(path);
        path += fileName;
    }
    const Node* node = Find(path);
    if (!node || node->path.size() > kMaxPath) return std::nullopt;
    return node->path;
}

void MemoryFileSystem::NameKey(std::string_view name, std::string& key) const {
    key.assign(name);
    AsciiUpperCase(key);
}

std::uint32_t MemoryFileSystem::ReadAttributes(const std::string& path) {
    const Node* node = Find(path);
    return node ? node->attributes : kInvalidFileAttributes;
}

}  // namespace zelmo::platform::memory
