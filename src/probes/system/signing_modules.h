#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// Items 6 and 7, one row each, with the texts of their lines.
namespace signing_texts {
struct SigningModule {
    const char* nativeKey;  // read first
    const char* wow64Key;   // the 32-bit registration, read second
    const char* notRegistered;
    const char* dateLabel;
    const char* fileMissing;
    const char* unreadable;
};

inline constexpr SigningModule kModules[] = {
    {"CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32",
     "WOW6432Node\\CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32",
     "．署名モジュール Tessivan.dll：登録されていません。",
     "．署名モジュール Tessivan.dll 更新日付：",
     "．署名モジュール Tessivan.dll：登録されているファイルがありません。",
     "．署名モジュール Tessivan.dll：登録されているファイルの情報を取得できません。"},
    {"CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32",
     "WOW6432Node\\CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}\\InprocServer32",
     "．署名モジュール Quennel.ocx：登録されていません。",
     "．署名モジュール Quennel.ocx 更新日付：",
     "．署名モジュール Quennel.ocx：登録されているファイルがありません。",
     "．署名モジュール Quennel.ocx：登録されているファイルの情報を取得できません。"},
};
}  // namespace signing_texts

// 0 the date text was made; -1 the file could not be opened; -2 its times could not be read.
// view: the file system the path names (a path from the native registry of a
// 64-bit Windows names the native one).
int getFileUpdateDate(Platform& platform, const std::string& path, std::string& text,
                      FileView view = FileView::Process);

// Items 6 and 7.
// Two items, one per component; returns item + 2.
int checkSigningModules(Platform& platform, Registry& registry, ReportWriter& report, int item);

}  // namespace orvex
