#pragma once

#include <unknwn.h>

// Owns one reference of a COM object (or of any object counted the COM way).
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other)
    {
        if (this != &other)
            *this = retain(other.p_);
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : p_(other.detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            attach(other.detach());
        return *this;
    }
    ~ComPtr() { reset(); }

    // A further reference on `p`, which the caller keeps its own on.
    static ComPtr retain(T* p)
    {
        ComPtr held;
        held.p_ = p;
        if (p)
            p->AddRef();
        return held;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out-parameters: releases what is held first.
    T** out()
    {
        reset();
        return &p_;
    }
    void** out_void() { return reinterpret_cast<void**>(out()); }
    // Takes over a reference the caller owns.
    void attach(T* p)
    {
        reset();
        p_ = p;
    }
    T* detach()
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};
