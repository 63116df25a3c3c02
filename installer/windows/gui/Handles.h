#pragma once

#include <memory>
#include <type_traits>

#include <objbase.h>
#include <windows.h>

namespace installer::win {

// Owners for the handles the window creates, so that no early return leaks one.
template <auto Release> struct HandleDeleter
{
    template <typename T> void operator()(T handle) const
    {
        if (handle)
            Release(handle);
    }
};

template <typename Handle, auto Release>
using UniqueHandleOf = std::unique_ptr<std::remove_pointer_t<Handle>, HandleDeleter<Release>>;

inline void deleteGdiObject(HGDIOBJ object)
{
    ::DeleteObject(object);
}

using UniqueFont = UniqueHandleOf<HFONT, deleteGdiObject>;
using UniqueBrush = UniqueHandleOf<HBRUSH, deleteGdiObject>;
using UniqueModule = UniqueHandleOf<HMODULE, ::FreeLibrary>;
using UniqueKey = UniqueHandleOf<HKEY, ::RegCloseKey>;
using UniqueHandle = UniqueHandleOf<HANDLE, ::CloseHandle>;
using UniqueIcon = UniqueHandleOf<HICON, ::DestroyIcon>;

// Releases a COM interface pointer.
struct ComRelease
{
    template <typename T> void operator()(T *object) const
    {
        if (object)
            object->Release();
    }
};
template <typename T> using ComPtr = std::unique_ptr<T, ComRelease>;

// COM for the folder picker, on this thread, for as long as the window lives.
class ComApartment
{
public:
    ComApartment()
        : m_ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    {
    }
    ~ComApartment()
    {
        if (m_ok)
            ::CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    bool m_ok;
};

} // namespace installer::win
