// Texts of the system's device list made fit to be shown and logged. They
// come from the registry, which drivers and other programs fill: they are
// bounded and cleaned before anyone sees them.
#pragma once

#include <cstddef>
#include <string>

// A device instance id has at most 199 characters; a description is cut to
// what a list item can show.
constexpr size_t MaxDeviceIdLength = 200;
constexpr size_t MaxDescriptionLength = 64;

// Raw text made fit for a list or a log line: control characters and bytes
// without a character become blanks, blanks are joined, the ends trimmed,
// and the rest cut to MaxLength characters.
std::string CleanDeviceText(const std::string& Raw, size_t MaxLength);

// The description of a port from the device's friendly name: cleaned,
// without the "(COMn)" that Windows appends, at most MaxDescriptionLength
// characters (a longer one ends in an ellipsis).
std::string PortDescription(const std::string& FriendlyName);
