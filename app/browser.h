#pragma once

#include <string>
#include <vector>

// Starts a program without waiting for it. The arguments go to it as they are, one by
// one, never through a shell. False when it could not be started.
bool RunProgram(const std::string& program, const std::vector<std::string>& arguments);

// Opens an http, https or ftp link with the desktop's handler. Any other link (a local
// file, a script, a link that does not parse) is refused like a failed launch: "Could not
// launch web browser" in a message box.
void LaunchWebBrowser(const std::string& url);

// Whether LaunchWebBrowser would hand the link on.
bool IsWebLink(const std::string& url);

// Opens a local file (a help page) in the desktop's browser as a file URL built from its
// path. A missing file is reported ("Could not find the help page ..."), and so is a failed
// launch ("Could not launch web browser").
void LaunchHelpPage(const std::string& localPath);
