#include "ScriptedPointerState.h"

bool TScriptedPointerState::LeftButtonDown() {
  ++Queries;
  if (OnQuery) OnQuery(Queries);
  while (!Script.empty() && Script.front().second <= 0) Script.pop_front();
  if (Script.empty()) return Otherwise;
  --Script.front().second;
  return Script.front().first;
}
