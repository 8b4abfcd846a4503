#include "inventory/drive_index.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string_view>
#include <thread>

#include "inventory/file_search.h"
#include "inventory/search_rules.h"
#include "inventory/worker_pool.h"

namespace zelmo::inventory {

struct IndexedDrives::Folder {
    // A drive's top folder holds the text its listing starts from ("C:\").
    std::string name;
    const Folder* parent = nullptr;
    // Sub-folders in listing order, which is walk order.
    std::vector<Folder*> children;
    // Ids of the names whose probe finds them here.
    std::vector<int> hits;
};

struct IndexedDrives::Drive {
    std::string designator;
    bool searchable = false;
    Folder* top = nullptr;
    // Per name id: the root probe's result, and the folders below whose probe
    // finds the name, in walk order.
    std::vector<char> rootHit;
    std::vector<std::vector<const Folder*>> hits;
};

// Folders live in blocks so that the tree of a big drive costs few
// allocations and no pointer moves once handed out.
class IndexedDrives::FolderArena {
  public:
    Folder* New() {
        if (used_ == kBlock) {
            blocks_.push_back(std::make_unique<Folder[]>(kBlock));
            used_ = 0;
        }
        return &blocks_.back()[used_++];
    }

  private:
    static constexpr std::size_t kBlock = 1024;
    std::vector<std::unique_ptr<Folder[]>> blocks_;
    std::size_t used_ = kBlock;
};

namespace {

// Where a key's length and last byte fall in IndexedDrives::keyShapes_.
std::size_t KeyShape(std::string_view key) {
    const std::size_t last = key.empty() ? 0 : static_cast<unsigned char>(key.back());
    return (std::min<std::size_t>(key.size(), 255) << 8) | last;
}

// Whether the path search takes name as one entry of the folder it is given.
// Folder parts, drives, wildcards and the dot folders are resolved otherwise;
// Windows drops trailing dots and spaces; a NUL ends the name for the system.
bool IsPlainListFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    using namespace std::string_view_literals;
    if (name.find_first_of("\\/:*?<>|\"\0"sv) != name.npos) return false;
    return name.back() != '.' && name.back() != ' ';
}

}  // namespace

// Reads every folder below the drives' tops once, on several threads, and
// probes it where a probe can find something: for the names its listing
// holds, for every name when it could not be listed, and for the names no
// listing can answer. Each worker goes depth first through its own stack and
// idle workers take the oldest, shallowest task of another: that keeps the
// stacks short and gives away big subtrees. Order does not matter here; the
// tree keeps it.
class IndexedDrives::Walk {
  public:
    Walk(IndexedDrives& owner, unsigned threads) : owner_(owner), workers_(threads) {
        for (Worker& worker : workers_) {
            owner.arenas_.push_back(std::make_unique<FolderArena>());
            worker.arena = owner.arenas_.back().get();
        }
    }

    void Run(const std::vector<Folder*>& tops) {
        for (std::size_t i = 0; i < tops.size(); ++i) {
            Push(workers_[i % workers_.size()], Task{tops[i], tops[i]->name, 0});
        }
        // A worker whose thread does not start leaves its tasks to be taken
        // by the others, as idle workers do.
        WorkerPool(static_cast<unsigned>(workers_.size()))
            .Run([this](std::stop_token stop, unsigned self) { Work(stop, self); });
    }

  private:
    struct Task {
        Folder* folder;
        std::string path;  // as listed, ending in a backslash
        // How much of path is the folder's text as probed; 0 for a top.
        std::size_t probedLength;
    };
    struct Worker {
        std::mutex mutex;
        std::deque<Task> tasks;
        FolderArena* arena = nullptr;
    };

    void Push(Worker& worker, Task task) {
        ++pending_;
        {
            std::lock_guard lock(worker.mutex);
            worker.tasks.push_back(std::move(task));
        }
        ++queued_;
    }

    bool Take(std::size_t self, Task& task) {
        {
            Worker& own = workers_[self];
            std::lock_guard lock(own.mutex);
            if (!own.tasks.empty()) {
                task = std::move(own.tasks.back());
                own.tasks.pop_back();
                --queued_;
                return true;
            }
        }
        for (std::size_t k = 1; k < workers_.size(); ++k) {
            Worker& other = workers_[(self + k) % workers_.size()];
            std::lock_guard lock(other.mutex);
            if (!other.tasks.empty()) {
                task = std::move(other.tasks.front());
                other.tasks.pop_front();
                --queued_;
                return true;
            }
        }
        return false;
    }

    // A failed Read leaves pending_ above 0 for good; the pool's stop
    // request then ends the others, waiting or not.
    void Work(const std::stop_token& stop, std::size_t self) {
        Reader reader;
        Task task;
        while (!stop.stop_requested()) {
            if (Take(self, task)) {
                Read(self, task, reader);
                if (--pending_ == 0) Wake();
                continue;
            }
            if (pending_ == 0) return;
            std::unique_lock lock(idleMutex_);
            // No wake-up is lost: whoever makes the condition true does so
            // before taking idleMutex_ to notify (Wake), so either this check
            // sees the change or the notice finds this thread waiting. A
            // pusher reads idle_ after raising queued_, and this thread raises
            // idle_ before reading queued_, so one of the two sees the other.
            ++idle_;
            idleCv_.wait(lock, stop, [this] { return queued_ > 0 || pending_ == 0; });
            --idle_;
        }
    }

    void Wake() {
        { std::lock_guard lock(idleMutex_); }
        idleCv_.notify_all();
    }

    // What one worker keeps between folders, so that reading allocates little.
    struct Reader {
        std::vector<std::string> subfolders;
        std::vector<std::uint32_t> keys;
        std::string key;
        std::string probe;
    };

    void Read(std::size_t self, const Task& task, Reader& reader) {
        platform::FileSystem& fs = owner_.fs_;
        const bool matchNames = !owner_.keyIds_.empty();
        reader.subfolders.clear();
        reader.keys.clear();
        // Sub-folders met before a listing fails are walked all the same, as
        // FindInSubfolders does.
        const bool listed = fs.ListFolder(task.path, [&](const platform::FolderEntry& entry) {
            if (IsSubfolder(entry)) reader.subfolders.push_back(entry.name);
            if (matchNames) {
                fs.NameKey(entry.name, reader.key);
                if (!owner_.keyShapes_.test(KeyShape(reader.key))) return;
                const auto it = owner_.keyIds_.find(reader.key);
                if (it != owner_.keyIds_.end()) reader.keys.push_back(it->second);
            }
        });
        owner_.foldersSearched_.fetch_add(1, std::memory_order_relaxed);

        Folder& folder = *task.folder;
        // A top is probed by the drive's own probe, not here.
        if (task.probedLength > 0) {
            const std::string_view path(task.path.data(), task.probedLength);
            const auto probe = [&](int id) {
                reader.probe.assign(path);
                if (FindInFolder(fs, reader.probe, owner_.names_[static_cast<std::size_t>(id)])) {
                    folder.hits.push_back(id);
                }
            };
            // Only a name the listing holds can be found in a listed folder;
            // of a folder that could not be listed nothing is known.
            if (listed) {
                std::sort(reader.keys.begin(), reader.keys.end());
                reader.keys.erase(std::unique(reader.keys.begin(), reader.keys.end()),
                                  reader.keys.end());
                for (const std::uint32_t key : reader.keys) {
                    for (const int id : owner_.keyNames_[key]) probe(id);
                }
            } else {
                for (const int id : owner_.plainNames_) probe(id);
            }
            for (const int id : owner_.probedNames_) probe(id);
        }

        folder.children.reserve(reader.subfolders.size());
        for (std::string& name : reader.subfolders) {
            Folder* child = workers_[self].arena->New();
            child->name = std::move(name);
            child->parent = &folder;
            folder.children.push_back(child);
        }
        // Pushed last child first, so this worker goes on with the first.
        Worker& own = workers_[self];
        for (auto it = folder.children.rbegin(); it != folder.children.rend(); ++it) {
            std::string path = task.path + (*it)->name;
            const std::size_t probedLength = path.size();
            EndWithBackslash(path);
            Push(own, Task{*it, std::move(path), probedLength});
        }
        if (!folder.children.empty() && idle_ > 0) Wake();
    }

    IndexedDrives& owner_;
    std::deque<Worker> workers_;
    std::atomic<long long> pending_{0};
    std::atomic<long long> queued_{0};
    std::atomic<int> idle_{0};
    std::mutex idleMutex_;
    std::condition_variable_any idleCv_;
};

IndexedDrives::IndexedDrives(platform::FileSystem& fs, std::vector<std::string> drives,
                             std::vector<std::string> fileNames, unsigned threads)
    : fs_(fs),
      threads_(threads == 0 ? std::max(1u, std::thread::hardware_concurrency()) : threads) {
    for (std::string& name : fileNames) {
        if (nameIds_.count(name)) continue;
        const int id = static_cast<int>(names_.size());
        nameIds_.emplace(name, id);
        names_.push_back(std::move(name));
    }
    std::string key;
    for (int id = 0; id < static_cast<int>(names_.size()); ++id) {
        const std::string& name = names_[static_cast<std::size_t>(id)];
        if (!IsPlainListFileName(name) || !fs_.ListingDecides(name)) {
            probedNames_.push_back(id);
            continue;
        }
        plainNames_.push_back(id);
        fs_.NameKey(name, key);
        keyShapes_.set(KeyShape(key));
        const auto [it, added] = keyIds_.emplace(key, static_cast<std::uint32_t>(keyNames_.size()));
        if (added) keyNames_.emplace_back();
        keyNames_[it->second].push_back(id);
    }
    for (std::string& designator : drives) {
        const bool seen = std::any_of(drives_.begin(), drives_.end(), [&](const auto& drive) {
            return drive->designator == designator;
        });
        if (seen) continue;
        drives_.push_back(std::make_unique<Drive>());
        drives_.back()->designator = std::move(designator);
    }
}

IndexedDrives::~IndexedDrives() = default;

void IndexedDrives::Build() {
    // Answers of an earlier build point into the folders freed here.
    built_ = false;
    arenas_.clear();
    foldersSearched_ = 0;
    std::vector<Folder*> tops;
    arenas_.push_back(std::make_unique<FolderArena>());
    for (const auto& drive : drives_) {
        drive->searchable = IsSearchableDrive(fs_, drive->designator);
        drive->top = nullptr;
        if (!drive->searchable) continue;
        drive->top = arenas_.front()->New();
        drive->top->name = drive->designator;
        EndWithBackslash(drive->top->name);
        tops.push_back(drive->top);
    }
    if (!tops.empty()) Walk(*this, threads_).Run(tops);
    for (const auto& drive : drives_) {
        if (drive->searchable) AnswerNames(*drive);
    }
    built_ = true;
}

// The root probe for every name, then the walk's hits gathered in walk order.
void IndexedDrives::AnswerNames(Drive& drive) {
    drive.rootHit.assign(names_.size(), 0);
    drive.hits.assign(names_.size(), {});
    for (std::size_t id = 0; id < names_.size(); ++id) {
        std::string probe = drive.designator;
        drive.rootHit[id] = FindInFolder(fs_, probe, names_[id]);
    }
    std::vector<const Folder*> stack(drive.top->children.rbegin(), drive.top->children.rend());
    while (!stack.empty()) {
        const Folder* folder = stack.back();
        stack.pop_back();
        for (const int id : folder->hits) {
            drive.hits[static_cast<std::size_t>(id)].push_back(folder);
        }
        stack.insert(stack.end(), folder->children.rbegin(), folder->children.rend());
    }
}

// The folder's text as FindInSubfolders builds it: the parent's listing text
// followed by the name, without a trailing backslash of its own.
std::string IndexedDrives::FolderPath(const Folder& folder) {
    std::vector<const Folder*> chain;
    const Folder* top = &folder;
    for (; top->parent != nullptr; top = top->parent) chain.push_back(top);
    std::string path = top->name;
    for (std::size_t i = chain.size(); i-- > 0;) {
        path += chain[i]->name;
        if (i > 0) EndWithBackslash(path);
    }
    return path;
}

std::pair<int, int> IndexedDrives::Lookup(const std::string& drive,
                                          const std::string& fileName) const {
    int driveId = -1;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i]->designator == drive) driveId = static_cast<int>(i);
    }
    const auto name = nameIds_.find(fileName);
    return {built_ ? driveId : -1, name == nameIds_.end() ? -1 : name->second};
}

std::int32_t IndexedDrives::FindOnDrive(const std::string& drive, const std::string& fileName,
                                        std::vector<std::string>& locations) {
    const auto [driveId, nameId] = Lookup(drive, fileName);
    if (driveId < 0 || nameId < 0) return inventory::FindOnDrive(fs_, drive, fileName, locations);
    locations.assign(1, std::string());
    const Drive& d = *drives_[static_cast<std::size_t>(driveId)];
    if (!d.searchable) return -1;
    std::int32_t count = 0;
    const auto add = [&](std::string location) {
        locations.resize(static_cast<std::size_t>(count) + 1);
        locations[static_cast<std::size_t>(count)] = std::move(location);
        ++count;
    };
    if (d.rootHit[static_cast<std::size_t>(nameId)]) add(d.designator);
    for (const Folder* folder : d.hits[static_cast<std::size_t>(nameId)]) add(FolderPath(*folder));
    return count;
}

std::int32_t IndexedDrives::CountOnDrive(const std::string& drive, const std::string& fileName) {
    const auto [driveId, nameId] = Lookup(drive, fileName);
    if (driveId < 0 || nameId < 0) {
        std::vector<std::string> locations;
        return inventory::FindOnDrive(fs_, drive, fileName, locations);
    }
    const Drive& d = *drives_[static_cast<std::size_t>(driveId)];
    if (!d.searchable) return -1;
    return static_cast<std::int32_t>(d.rootHit[static_cast<std::size_t>(nameId)] +
                                     d.hits[static_cast<std::size_t>(nameId)].size());
}

}  // namespace zelmo::inventory
