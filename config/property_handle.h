#pragma once
// Leaf handles by kind. They add typed access to CommonPropertyHandle:
//
//   Root().read.code128.Value()          // bool const&, current bank
//   Root().read.code128.Set(false)       // Backup, store, UpdateAll; then Update()
//
// Value() reads in place every time, so a changed setting is seen at once.

#include "config/common_property_handle.h"
#include "config/value_types.h"

namespace ivra_configuration {

template <class T>
class ValueHandle : public CommonPropertyHandle {
 public:
  using value_type = T;
  using CommonPropertyHandle::CommonPropertyHandle;

  T const& Value() const { return *static_cast<T const*>(CalcAddress()); }
  // nullptr when bank is not 0-7.
  T const* ValueInBank(unsigned bank) const { return static_cast<T const*>(CalcBankAddress(bank)); }
  T const& DefaultValue() const { return *static_cast<T const*>(CalcDefaultAddress()); }

  // Checked write with the three steps; allBanks also writes a per-bank key into all
  // eight banks. Run Update() afterwards.
  bool Set(T const& value, bool allBanks = false) const { return SetBytes(&value, allBanks); }
};

// One value per bank.
template <class T>
class PropertyHandle : public ValueHandle<T> {
 public:
  using ValueHandle<T>::ValueHandle;
};

// One value for all eight banks.
template <class T>
class NoBankPropertyHandle : public ValueHandle<T> {
 public:
  using ValueHandle<T>::ValueHandle;
};

// Per bank, left out of JSON text unless hidden values are asked for.
template <class T>
class HiddenPropertyHandle : public ValueHandle<T> {
 public:
  using ValueHandle<T>::ValueHandle;
};

template <class T>
class NoBankHiddenPropertyHandle : public ValueHandle<T> {
 public:
  using ValueHandle<T>::ValueHandle;
};

// A transient value, never stored in a bank: an action that carries an argument.
template <class T>
class VolatilityPropertyHandle : public ValueHandle<T> {
 public:
  using ValueHandle<T>::ValueHandle;
};

// An action key: no value; its observers do the work.
template <>
class VolatilityPropertyHandle<void> : public CommonPropertyHandle {
 public:
  using CommonPropertyHandle::CommonPropertyHandle;

  // Queues the action's observers; Update() runs them.
  void Invoke() const { UpdateAll(); }
};

} // namespace ivra_configuration
