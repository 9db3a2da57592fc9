#pragma once

#include <cstddef>

// A seam is a service with one real implementation and, in tests, a scripted
// stand-in. A service class declares `static inline Service* Installed`; the
// accessor returns the installed stand-in or the real one, and TSeamScope puts
// the previous one back when the test's scope ends.
template <class Service>
class TSeamScope {
 public:
  explicit TSeamScope(Service& Replacement) : TSeamScope(&Replacement) {}
  // The real service for the scope, over whatever stand-in a fixture installed.
  explicit TSeamScope(std::nullptr_t) : TSeamScope(static_cast<Service*>(nullptr)) {}
  ~TSeamScope() { Service::Installed = Previous; }
  TSeamScope(const TSeamScope&) = delete;
  TSeamScope& operator=(const TSeamScope&) = delete;

 private:
  explicit TSeamScope(Service* Replacement) : Previous(Service::Installed) {
    Service::Installed = Replacement;
  }
  Service* Previous;
};
