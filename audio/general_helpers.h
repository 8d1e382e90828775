// Small stateless helpers used by every subsystem: reading numbers and times typed by the
// user, showing times, semitone/ratio conversion, file extension and size, in-place string
// edits, and the allocation wrappers of the sound engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The first decimal integer that "%d" would read (leading blanks, optional sign, digits);
// 0 when there is none. Values beyond the int range are clamped.
int ParseInt(std::string_view text);

// The number at the start of text, up to the first character that is one of separators.
// Any character in that field other than a digit or '.' sets error and gives 0; an empty
// field gives 0 without error. Leading white space is skipped.
double ParseDecimalField(std::string_view text, std::string_view separators, bool& error);

// ParseDecimalField rounded half away from zero (clamped to the int range).
int ParseRoundedField(std::string_view text, std::string_view separators, bool& error);

// Seconds from "h:m:s", "m:s" or "s" (the seconds may carry decimals, the minutes and hours
// are rounded to whole numbers); fields left of the hours are ignored, empty fields count 0.
// An empty text gives 0, a bad field gives -1.
double ParseTimeString(std::string_view text);

// The time as text: plain whole seconds ("5"), the minutes form ("9:59", "10:00") or the
// hours form ("1:02:05"), followed by "." and exactly `decimals` digits when decimals >= 1
// (at most 9 are honoured). In the minutes form a time of an hour or more is written in the
// hours form so that its minutes are not lost. A negative time gets a leading '-'.
std::string FormatSeconds(double seconds, int decimals, bool minutesForm = true,
                          bool hoursForm = false);

// exp(semitones x ln 2 / 12).
double HalftonesToRatio(int semitones);

// Nearest whole number of semitones of a frequency ratio; 0 for a ratio that is not
// positive (clamped to the int range).
int RatioToHalftones(double ratio);

// The extension with its dot when a '.' lies among the last 10 characters of the path
// (case kept, everything from the last such dot on); otherwise an empty text.
std::string GetFileExtension(std::string_view path);

// Size of the file in bytes, 64-bit; 0 when it cannot be opened for reading or is not a
// regular file.
std::int64_t GetFileSize(const std::string& path);

// A 64-bit size for a caller that keeps 32 signed bits: clamped to INT32_MAX.
std::int32_t ClampFileSize32(std::int64_t size);

// Deletes count characters at position in place (nothing when position lies beyond the
// text; the count is cut at the end). Returns the new length.
std::size_t RemoveChars(std::string& text, std::size_t position, std::size_t count);

// Inserts `inserted` at position (at the end when position lies beyond it). Returns the
// inserted length.
std::size_t InsertChars(std::string& text, std::string_view inserted, std::size_t position);

// Allocation wrappers of the sound engine. They never return null: when memory runs out the
// allocation failure hook gets "ERROR: Unable to allocate memory" and the process ends with
// exit status 255.
void* XMalloc(std::size_t size);
void* XCalloc(std::size_t count, std::size_t size);
void XFree(void* block);

// Shows the allocation failure message. The default writes it to standard error; the
// application installs one that shows a message box. Called on whichever thread failed.
using AllocationFailureHook = void (*)(const char* message);

// Installs hook (null restores the default) and returns the previous one.
AllocationFailureHook SetAllocationFailureHook(AllocationFailureHook hook);
