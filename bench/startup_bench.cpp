// Startup, job and memory figures of VOK Decompiler against the bare window;
// the memory also after 100 jobs that fail and are told.
//   startup_bench APP.exe CLASS BARE.exe BARE_CLASS WORK_FOLDER
// Prints medians; nothing here passes or fails.
#include <windows.h>
// psapi.h and tlhelp32.h need windows.h first.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Running {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
};

HWND FindWindowOf(DWORD processId, const wchar_t* className) {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, className, nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    if (pid == processId && IsWindowVisible(found)) return found;
  }
  return nullptr;
}

// Starts the program and waits until its window is shown and it is idle;
// returns the milliseconds that took.
double Start(const std::wstring& exe, const wchar_t* className, const std::wstring& folder,
             Running& running) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  const double begin = Now();
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &running.process)) {
    return -1;
  }
  WaitForInputIdle(running.process.hProcess, 20000);
  while (!(running.window = FindWindowOf(running.process.dwProcessId, className))) Sleep(1);
  return Now() - begin;
}

void Stop(Running& running) {
  PostMessageW(running.window, WM_CLOSE, 0, 0);
  WaitForSingleObject(running.process.hProcess, 10000);
  CloseHandle(running.process.hThread);
  CloseHandle(running.process.hProcess);
}

double StartupTime(const std::wstring& exe, const wchar_t* className, const std::wstring& folder) {
  Running running;
  const double time = Start(exe, className, folder, running);
  Stop(running);
  return time;
}

// Whether a cmd.exe that the process started still runs.
bool RunsScript(DWORD processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = entry.th32ParentProcessID == processId && lstrcmpiW(entry.szExeFile, L"cmd.exe") == 0;
  }
  CloseHandle(snapshot);
  return found;
}

// The calls the recording vok.exe has logged: one line each.
std::size_t CallsLogged(const std::wstring& folder) {
  HANDLE file = CreateFileW((folder + L"\\vok-calls.txt").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  std::string text(1 << 20, '\0');
  DWORD read = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

SIZE_T PeakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(process, &counters, sizeof(counters));
  return counters.PeakWorkingSetSize;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) {
    std::fputs("usage: startup_bench APP CLASS BARE BARE_CLASS WORK_FOLDER\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[5];
  // Taken in turns, so that a change in the machine's load affects both alike.
  std::vector<double> appTimes, bareTimes;
  for (int i = 0; i < 20; ++i) {
    appTimes.push_back(StartupTime(argv[1], argv[2], folder));
    bareTimes.push_back(StartupTime(argv[3], argv[4], folder));
  }
  const double app = Median(appTimes), bare = Median(bareTimes);
  std::printf(
      "startup to shown and idle, median of 20: VOK Decompiler %.1f ms, bare window %.1f ms,"
      " ratio %.2f\n",
      app, bare, app / bare);

  // Jobs: a click is handled when the button's message returns, which is
  // after the script was started (the tool's own run is not counted).
  Running running;
  Start(argv[1], argv[2], folder, running);
  HWND box = GetDlgItem(running.window, 1008);     // txtvokcom
  HWND button = GetDlgItem(running.window, 1009);  // cmdcom
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"data"));
  std::vector<double> clicks;
  SIZE_T afterFirst = 0;
  for (int i = 0; i < 100; ++i) {
    const double begin = Now();
    SendMessageW(button, BM_CLICK, 0, 0);
    clicks.push_back(Now() - begin);
    // Let the script finish before the next press, which it would refuse
    // (not timed).
    while (CallsLogged(folder) < static_cast<std::size_t>(i + 1)) Sleep(5);
    while (RunsScript(running.process.dwProcessId)) Sleep(5);
    if (i == 0) afterFirst = PeakWorkingSet(running.process.hProcess);
  }
  const SIZE_T afterAll = PeakWorkingSet(running.process.hProcess);
  // Failing jobs: the recording tool writes a line to standard error and
  // ends with 1; each "Job Failed" box is read and dismissed.
  HANDLE errors = CreateFileW((folder + L"\\vok.err").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
  const char line[] = "vok: cannot pack \"data\": no such folder\r\n";
  DWORD written = 0;
  WriteFile(errors, line, sizeof line - 1, &written, nullptr);
  CloseHandle(errors);
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"data exit=1"));
  for (int i = 0; i < 100; ++i) {
    PostMessageW(button, BM_CLICK, 0, 0);
    HWND failed;
    while (!(failed = FindWindowOf(running.process.dwProcessId, L"#32770"))) Sleep(5);
    PostMessageW(GetDlgItem(failed, IDOK), BM_CLICK, 0, 0);
    while (IsWindow(failed)) Sleep(5);
  }
  const SIZE_T afterFailed = PeakWorkingSet(running.process.hProcess);
  Stop(running);
  std::printf("one job, click to script started, median of 100: %.2f ms\n", Median(clicks));
  std::printf("peak working set: after 1 job %.1f MiB, after 100 jobs %.1f MiB (growth %+ld KiB)\n",
              afterFirst / 1048576.0, afterAll / 1048576.0,
              static_cast<long>((static_cast<long long>(afterAll) - afterFirst) / 1024));
  std::printf("peak working set after 100 failing jobs more: %.1f MiB (growth %+ld KiB)\n",
              afterFailed / 1048576.0,
              static_cast<long>((static_cast<long long>(afterFailed) - afterAll) / 1024));
  return 0;
}
