// vdriver: drives and inspects vespera.exe from inside the same Wine session.
//
// Usage: vdriver.exe CMD ARG...      runs one command
//        vdriver.exe                 reads commands from stdin, one per line,
//                                    fields separated by tabs
// Every command answers with one line of JSON (UTF-8) on stdout.

#include "vdriver.h"

#include <shellapi.h>

namespace vdriver {

bool Run(const vector<string>& a) {
  if (a.empty()) return true;
  const string& c = a[0];
  if (c == "quit") return false;
  struct Entry {
    const char* name;
    void (*fn)(const vector<string>&);
  };
  static const Entry table[] = {
      {"wait", CmdWait},         {"waitgone", CmdWaitGone}, {"dump", CmdDump},
      {"get", CmdGet},           {"click", CmdClick},       {"select", CmdSelect},
      {"focus", CmdFocus},       {"type", CmdType},         {"key", CmdKey},
      {"setsel", CmdSetSel},     {"scroll", CmdScroll},     {"tray", CmdTray},
      {"traymenu", CmdTrayMenu}, {"close", CmdClose},       {"alive", CmdAlive},
      {"windows", CmdWindows},   {"allwindows", CmdAllWindows}, {"focused", CmdFocused},
      {"msgbox", CmdMsgBox},     {"msgboxok", CmdMsgBoxOk}, {"clock", CmdClock},
      {"sleep", CmdSleep},       {"shell", CmdShell},       {"dpichange", CmdDpiChange},
      {"sweep", CmdSweep},       {"trayicon", CmdTrayIcon}, {"settle", CmdSettle},
      {"liveregion", CmdLiveRegion}, {"closemenu", CmdCloseMenu},
  };
  for (const Entry& e : table) {
    if (c == e.name) {
      e.fn(a);
      return true;
    }
  }
  Fail("unknown command " + c);
  return true;
}

vector<string> SplitTabs(const string& line) {
  vector<string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == string::npos ? string::npos : tab - start));
    if (tab == string::npos) break;
    start = tab + 1;
  }
  return out;
}

bool ReadLine(string& line) {
  line.clear();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char c;
  DWORD got = 0;
  while (ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\n') return true;
    if (c != '\r') line += c;
  }
  return !line.empty();
}


}  // namespace vdriver

int main() {
  using namespace vdriver;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc > 1) {
    vector<string> a;
    for (int i = 1; i < argc; ++i) a.push_back(Utf8(argv[i]));
    Run(a);
    return 0;
  }
  string line;
  while (ReadLine(line)) {
    if (!Run(SplitTabs(line))) break;
  }
  return 0;
}
