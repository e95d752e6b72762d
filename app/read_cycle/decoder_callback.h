#pragma once
// The road of every decoded label into the application. The decoder core takes a plain
// function; Callback<Sig>::callback is that function, and it calls whatever function
// object the application put into Callback<Sig>::func. The read cycle sets func before
// the first frame is decoded.

#include <functional>

template <typename Sig>
struct Callback;

template <typename Ret, typename... Params>
struct Callback<Ret(Params...)> {
    // Empty at start: a label that arrives before anyone listens is refused.
    static inline std::function<Ret(Params...)> func;

    static Ret callback(Params... args)
    {
        if (!func) {
            return Ret{};
        }
        return func(args...);
    }
};
