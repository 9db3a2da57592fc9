#include <gtest/gtest.h>

#include "Seam.h"

namespace {

struct TService {
  static inline TService* Installed = nullptr;
};

TEST(SeamScope, NestedScopesPutBackWhatWasInstalledBefore) {
  TService Outer, Inner;
  {
    TSeamScope<TService> OuterScope(Outer);
    EXPECT_EQ(TService::Installed, &Outer);
    {
      TSeamScope<TService> InnerScope(Inner);
      EXPECT_EQ(TService::Installed, &Inner);
    }
    EXPECT_EQ(TService::Installed, &Outer);
  }
  EXPECT_EQ(TService::Installed, nullptr);
}

TEST(SeamScope, TheRealServiceCanTakeAStandInsPlaceForAScope) {
  TService StandIn;
  TSeamScope<TService> Fixture(StandIn);
  {
    TSeamScope<TService> Real(nullptr);
    EXPECT_EQ(TService::Installed, nullptr);
  }
  EXPECT_EQ(TService::Installed, &StandIn);
}

}  // namespace
