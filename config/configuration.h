#pragma once
// The configuration store: what the rest of the system includes.
//
// Reaching a key. Every key of config/keys/*.txt has a handle at its fixed place in the
// tree, as a member named by its path words:
//
//   #include "config/configuration.h"
//   using namespace ivra_configuration;
//   auto const& code128 = Root().read.code128;              // PropertyHandle<bool>
//   auto const& lengths = Root().fixed_length.code39;       // PropertyHandle<FixedLength>
//
// ('-' in a word becomes '_', a word starting with a digit gets a leading '_', a C++
// keyword a trailing '_'.) Root().Find("read/code128") finds the same handle by its path
// text, nullptr when the tree lacks it. CommonPropertyReference::RootHandle() is Root().
//
// Reading a value. Keep the handle (a reference is stable for the life of the process)
// and read the current bank's value in place each time it is needed:
//
//   bool on = code128.Value();                                          // typed
//   CommonPropertyHandle const& h = code128;                            // untyped
//   bool on2 = *static_cast<unsigned char const*>(h.CalcAddress()) != 0;
//   auto const& f = *static_cast<FixedLength const*>(lengths.CalcAddress());
//
// Value layouts: bool one byte (0/1), enumerations std::uint32_t (the generated
// configuration::<path>::Enum), integers as declared, string_t<N>, Array<T, N>,
// FixedLength (config/value_types.h). A node's CalcAddress() is the address of its
// generated configuration::<path>::Struct, fields in key order. The decoder reads its
// own copy of the settings without a lock (ConfigurationManager::SeparateDecoderSettings);
// a change becomes visible to it at the next frame.
//
// Changing a value (outside a command, take CommandMutex() first):
//
//   std::lock_guard<std::recursive_mutex> lock(CommandMutex());
//   if (code128.Set(false)) Update();     // Update() runs observers; false: undone
//
// Following changes: handle.Push(observer), e.g. a DelegateObserver<Owner> bound to
// bool Owner::onChangeSomething(); it runs after the change, on the changing thread, and
// a false result undoes the whole change.

#include "config/command_system.h"
#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "config/memory_stream.h"
#include "config/value_types.h"
