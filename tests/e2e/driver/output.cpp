// The answer of every command: one line of JSON (UTF-8) on stdout.

#include "vdriver.h"

#include <cstdio>
#include <cstdlib>

namespace vdriver {

string Utf8(const wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

wstring Wide(const string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

Json& Json::Key(const char* k) {
  Str(string(k));
  out_ += ':';
  comma_ = false;
  return *this;
}

Json& Json::Str(const string& s) {
  Sep();
  out_ += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out_ += buf;
        } else {
          out_ += static_cast<char>(c);
        }
    }
  }
  out_ += '"';
  return *this;
}

Json& Json::Str(const wstring& w) { return Str(Utf8(w)); }

Json& Json::Int(long long v) {
  Sep();
  out_ += std::to_string(v);
  return *this;
}

Json& Json::Bool(bool v) {
  Sep();
  out_ += v ? "true" : "false";
  return *this;
}

Json& Json::Null() {
  Sep();
  out_ += "null";
  return *this;
}

Json& Json::Open(char c) {
  Sep();
  out_ += c;
  comma_ = false;
  return *this;
}

Json& Json::Close(char c) {
  out_ += c;
  comma_ = true;
  return *this;
}

void Json::Sep() {
  if (comma_) out_ += ',';
  comma_ = true;
}

bool quiet = false;

namespace {

void Write(const string& line) {
  string s = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written,
            nullptr);
}

}  // namespace

void Emit(const string& line) {
  if (!quiet) Write(line);
}

void Waiting(DWORD ms) { Write("{\"waiting\":" + std::to_string(ms) + "}"); }

void Fail(const string& msg) {
  Json j;
  j.Open('{').Key("ok").Bool(false).Key("error").Str(msg).Close('}');
  Emit(j.Text());
}

void Ok() { Emit("{\"ok\":true}"); }

int ToInt(const string& s, int fallback) {
  if (s.empty()) return fallback;
  return std::atoi(s.c_str());
}

}  // namespace vdriver
