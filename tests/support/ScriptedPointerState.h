#pragma once

#include <deque>
#include <functional>
#include <utility>

#include "PointerState.h"

// Answers from a script of runs, e.g. DownFor(5) then up for good.
class TScriptedPointerState : public TPointerStateService {
 public:
  bool LeftButtonDown() override;
  int WakeDescriptor() override { return Descriptor; }
  void DownFor(int Queries) { Script.emplace_back(true, Queries); }
  void UpFor(int Queries) { Script.emplace_back(false, Queries); }

  bool Otherwise = false;  // the answer once the script is used up
  int Queries = 0;         // how often the state has been asked
  int Descriptor = -1;     // what WakeDescriptor answers
  // Called before each answer with the number of the query, from 1.
  std::function<void(int Query)> OnQuery;

 private:
  std::deque<std::pair<bool, int>> Script;
};
