#pragma once
// One way to load a library on first use instead of at start-up: its functions are resolved by
// name into a table of typed pointers, once, from whichever thread asks first.

#include <type_traits>

namespace qc {

class Library {
public:
    // Loads the library by its soname, privately (RTLD_LOCAL); nothing is resolved yet.
    explicit Library(const char* soname);

    // Resolves `symbol` into `fn`; a missing one leaves the library incomplete.
    template <class F> void bind(F& fn, const char* symbol) {
        static_assert(std::is_pointer_v<F> && std::is_function_v<std::remove_pointer_t<F>>);
        fn = reinterpret_cast<F>(find(symbol));
        complete_ = complete_ && fn != nullptr;
    }
    // Loaded, and every bound function found.
    bool complete() const { return handle_ != nullptr && complete_; }

private:
    void* find(const char* symbol) const;

    void* handle_ = nullptr;
    bool complete_ = true;
};

// The library's function table, loaded at the first call and kept for the program's life; null
// when the library or one of its functions is missing, or `init` says no. Thread-safe.
template <class Api>
const Api* loadOnce(const char* soname, void (*bindAll)(Library&, Api&), bool (*init)(const Api&) = nullptr) {
    static const Api* api = [&]() -> const Api* {
        static Api table;
        Library lib(soname);
        bindAll(lib, table);
        if (!lib.complete() || (init && !init(table))) return nullptr;
        return &table;
    }();
    return api;
}

}  // namespace qc
