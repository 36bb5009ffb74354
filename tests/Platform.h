// What the tests need of the operating system, on POSIX systems and Windows
// alike: files and a scratch directory of a test's own, the process's peak
// memory, and running a program with its standard streams redirected to files.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testing_platform {

namespace fs = std::filesystem;

// The bytes of the file at `path`; empty when it cannot be read.
inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh, empty directory of the running test's own in the working directory,
// named `prefix` and the test's name, removed with everything in it at the end.
struct ScratchDir {
    const fs::path path;
    explicit ScratchDir(const std::string& prefix)
        : path(fs::absolute(fs::u8path(prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchDir() { fs::remove_all(path); }
    // The path of `name` in the directory, as UTF-8 text.
    std::string File(const std::string& name) const { return (path / fs::u8path(name)).u8string(); }
    std::string Read(const std::string& name) const { return ReadFile(path / fs::u8path(name)); }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }
};

// Peak resident memory of this process so far, in MB.
inline long PeakMegabytes() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / (1024 * 1024));
#else
    // Linux keeps a peak that ResetPeak can lower; elsewhere, the peak of the whole run.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
#endif
}

// Lowers the peak to the memory in use now, where the system allows it (Linux),
// so that PeakMegabytes counts only what follows. Elsewhere the peak stays
// that of the whole run, which ctest starts afresh for each test.
inline void ResetPeak() {
#if defined(__linux__)
    std::ofstream("/proc/self/clear_refs") << "5";
#endif
}

// Where a program's standard streams go: files, relative to its directory.
// An unwritable output is a stream every write to which fails.
struct Streams {
    std::string in, out, err;
    bool unwritableOut = false;
};

#if defined(_WIN32)

inline std::wstring Widen(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// One argument as the C runtime splits a command line back into arguments.
inline std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    for (auto it = argument.begin();; ++it) {
        std::size_t backslashes = 0;
        for (; it != argument.end() && *it == L'\\'; ++it) ++backslashes;
        if (it == argument.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        quoted.append(*it == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted.push_back(*it);
    }
    return quoted + L"\"";
}

inline HANDLE OpenStream(const fs::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Under Wine, the Unix name of a Windows path; empty elsewhere.
inline std::string UnixFileName(const fs::path& path) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = convert ? convert(fs::absolute(path).wstring().c_str()) : nullptr;
    if (!name) return std::string();
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

inline int StartAndWait(std::wstring commandLine, const fs::path& dir, const Streams& streams) {
    // A handle opened for reading only is an output every write to which fails.
    const HANDLE handles[] = {OpenStream(dir / streams.in, GENERIC_READ, OPEN_EXISTING),
                              streams.unwritableOut ? OpenStream(dir / streams.in, GENERIC_READ, OPEN_EXISTING)
                                                    : OpenStream(dir / streams.out, GENERIC_WRITE, CREATE_ALWAYS),
                              OpenStream(dir / streams.err, GENERIC_WRITE, CREATE_ALWAYS)};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = handles[0];
    startup.hStdOutput = handles[1];
    startup.hStdError = handles[2];
    PROCESS_INFORMATION process{};
    const std::wstring directory = dir.wstring();
    int code = -1;
    if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(), &startup,
                         &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        if (::GetExitCodeProcess(process.hProcess, &exitCode)) code = static_cast<int>(exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE handle : handles) ::CloseHandle(handle);
    return code;
}

// Wine starts a program of the build machine (xmllint for a Windows build's
// tests) but can neither redirect its streams nor wait for it. A shell of the
// build machine does both, and leaves the exit status in a file to wait for.
inline int RunUnixProgram(const std::vector<std::string>& argv, const fs::path& dir, const Streams& streams) {
    const fs::path status = dir / (streams.out + ".status");
    fs::remove(status);
    const char* script = "cd \"$1\" || exit; i=$2 o=$3 e=$4 s=$5; shift 5; "
                         "\"$@\" <\"$i\" >\"$o\" 2>\"$e\"; echo $? >\"$s.part\" && mv \"$s.part\" \"$s\"";
    std::wstring commandLine = L"/bin/sh -c " + Quote(Widen(script)) + L" sh";
    for (const std::string& argument : {UnixFileName(dir), streams.in, streams.out, streams.err, status.filename().string()})
        commandLine += L" " + Quote(Widen(argument));
    for (const std::string& argument : argv) commandLine += L" " + Quote(Widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    for (int waited = 0; !fs::exists(status) && waited < 120000; waited += 10) ::Sleep(10);
    std::ifstream in(status);
    int code = -1;
    in >> code;
    in.close();
    fs::remove(status);
    return code;
}

// Whether `program` is an ELF executable, which only Wine can start.
inline bool IsUnixProgram(const std::string& program) {
    char magic[4] = {};
    std::ifstream(fs::u8path(program), std::ios::binary).read(magic, sizeof magic);
    return std::string(magic, sizeof magic) == "\x7F" "ELF";
}

// Runs `argv` in `dir` and returns its exit code, or -1 when it cannot be started.
inline int RunProgram(const std::vector<std::string>& argv, const fs::path& dir, const Streams& streams) {
    if (IsUnixProgram(argv.at(0))) return RunUnixProgram(argv, dir, streams);
    std::wstring commandLine = Quote(fs::u8path(argv[0]).make_preferred().wstring());
    for (std::size_t i = 1; i < argv.size(); ++i) commandLine += L" " + Quote(Widen(argv[i]));
    return StartAndWait(commandLine, dir, streams);
}

// Runs `line` with the system's command interpreter, cmd.exe, in `dir`.
inline int RunShell(const std::string& line, const fs::path& dir, const Streams& streams) {
    return StartAndWait(L"cmd.exe /d /s /c \"" + Widen(line) + L"\"", dir, streams);
}

// `program` as RunShell's interpreter takes a program's path.
inline std::string ShellWord(const std::string& program) {
    return "\"" + fs::u8path(program).make_preferred().u8string() + "\"";
}

#else

// Runs `argv` in `dir` and returns its exit code, or -1 when it cannot be started or is killed.
inline int RunProgram(const std::vector<std::string>& argv, const fs::path& dir, const Streams& streams) {
    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const auto redirect = [](const fs::path& path, int flags, int target) {
            const int fd = ::open(path.c_str(), flags, 0644);
            if (fd < 0 || ::dup2(fd, target) < 0) ::_exit(127);
            ::close(fd);
        };
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        redirect(streams.in, O_RDONLY, 0);
        // /dev/full fails every write with ENOSPC.
        redirect(streams.unwritableOut ? "/dev/full" : streams.out, O_WRONLY | O_CREAT | O_TRUNC, 1);
        redirect(streams.err, O_WRONLY | O_CREAT | O_TRUNC, 2);
        ::execv(arguments[0], arguments.data());
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `line` with the system's command interpreter, sh, in `dir`.
inline int RunShell(const std::string& line, const fs::path& dir, const Streams& streams) {
    return RunProgram({"/bin/sh", "-c", line}, dir, streams);
}

// `program` as RunShell's interpreter takes a program's path.
inline std::string ShellWord(const std::string& program) { return "'" + program + "'"; }

#endif

} // namespace testing_platform
