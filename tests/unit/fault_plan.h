// "Fail the n-th call": the fault plan every fake seam shares. A fake counts each call it
// serves, per kind and over all kinds, from 1, and asks the plan whether this call is one it
// was told to fail and with which Windows code.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>

template <typename Kind>
class FaultPlan {
 public:
  // The ordinal-th call of that kind fails with code.
  template <typename K>
  void FailCall(const K& kind, std::size_t ordinal, long code = 0) {
    ofKind_[Kind(kind)][ordinal] = code;
  }
  // The ordinal-th call of any kind fails with code.
  void FailNthCall(std::size_t ordinal, long code) { ofAll_[ordinal] = code; }
  // Forgets the failures asked for; the counts stay.
  void ClearFaults() {
    ofKind_.clear();
    ofAll_.clear();
  }
  // Forgets the failures and the counts.
  void Reset() { *this = FaultPlan(); }

  // Counts a call of that kind.
  template <typename K>
  void Count(const K& kind) {
    ++calls_;
    const auto found = counts_.find(kind);
    if (found != counts_.end()) {
      ++found->second;
    } else {
      counts_.emplace(Kind(kind), 1);
    }
  }
  // The code the last call counted of that kind is to fail with, if the plan names it.
  template <typename K>
  std::optional<long> Planned(const K& kind) const {
    if (const auto byKind = ofKind_.find(kind); byKind != ofKind_.end()) {
      if (const auto hit = byKind->second.find(Calls(kind)); hit != byKind->second.end())
        return hit->second;
    }
    if (const auto hit = ofAll_.find(calls_); hit != ofAll_.end()) return hit->second;
    return std::nullopt;
  }

  // Calls counted, of one kind or of all.
  template <typename K>
  std::size_t Calls(const K& kind) const {
    const auto found = counts_.find(kind);
    return found == counts_.end() ? 0 : found->second;
  }
  std::size_t Calls() const { return calls_; }

 private:
  // std::less<> lets a fake whose kinds are names look them up without making a string.
  std::map<Kind, std::size_t, std::less<>> counts_;
  std::size_t calls_ = 0;
  std::map<Kind, std::map<std::size_t, long>, std::less<>> ofKind_;
  std::map<std::size_t, long> ofAll_;
};
