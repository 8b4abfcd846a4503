// The least the Windows API asks to read every file of a folder: one listing,
// then an open, one read and a close per file, on as many threads as the
// collector reads with. Run under Wine beside `zelmocb-cli collect` with no
// outputs, its time is Wine's own share of the collector's.
//     read-floor.exe FOLDER
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: read-floor.exe FOLDER\n", stderr);
        return 2;
    }
    const std::wstring base = std::wstring(argv[1]) + L"\\";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        std::fputs("cannot list the folder\n", stderr);
        return 1;
    }
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(base + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);

    std::atomic<std::size_t> next{0}, files{0}, bytes{0};
    auto readAll = [&] {
        std::vector<char> chunk(64 * 1024);
        for (std::size_t i = next++; i < names.size(); i = next++) {
            const HANDLE file = CreateFileW(names[i].c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD got = 0;
            if (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
                ++files;
                bytes += got;
            }
            CloseHandle(file);
        }
    };
    // As the collector: up to four threads, one per core.
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(readAll);
    readAll();
    for (std::thread& t : pool) t.join();
    std::printf("%zu files, %zu bytes, %u threads\n", files.load(), bytes.load(), threads);
    return 0;
}
