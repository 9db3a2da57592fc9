#pragma once

#include <memory>
#include <string>

#include "Filewrite.h"
#include "Nodes.h"

enum class TReadOutcome { Accepted, CannotOpen, Refused, NewerVersion };

// Shown when a document's version is newer than 1.0.
extern const char* const NewerVersionMessage;

// A bound far beyond any design a user can build, so a damaged count cannot
// ask for an unbounded allocation.
constexpr int kMaxDocumentNodes = 100000;

// Writes both waves (which have the same Count) as a "VLX " document, version
// 1.0. An existing file is replaced only when the whole write succeeded.
TWriteOutcome WriteDocument(const std::string& path, const TNodeList& wave0,
                            const TNodeList& wave1);

// Replaces wave0 and wave1 with the document's design only when it is
// Accepted. CannotOpen covers a missing or unreadable path and anything that
// is not a regular file (a folder, a named pipe, a device), which is refused
// without waiting on it. Refused covers a wrong magic and damaged files: a
// length other than 10 + 48 x count, a count below 0 or above
// kMaxDocumentNodes, a value that is not finite, or an X outside 0 to 300 for
// a node other than the first and last of a wave. When reason is given it
// receives a short explanation of any other outcome than Accepted.
TReadOutcome ReadDocument(const std::string& path, std::unique_ptr<TNodeList>& wave0,
                          std::unique_ptr<TNodeList>& wave1, std::string* reason = nullptr);
