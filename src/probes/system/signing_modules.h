#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/registry.h"
#include "report/report_writer.h"

namespace orvex {

// 0 the date text was made; -1 the file could not be opened; -2 its times could not be read.
// view: the file system the path names (a path from the native registry of a
// 64-bit Windows names the native one).
int getFileUpdateDate(Platform& platform, const std::string& path, std::string& text,
                      FileView view = FileView::Process);

// The two signing components' registration and file date: one item each.
void checkSigningModules(Platform& platform, Registry& registry, ReportWriter& report);

}  // namespace orvex
