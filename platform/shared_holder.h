// One object shared by several users: the first Acquire makes it, the
// Release that leaves no user frees it.  Every Acquire counts a user, even
// one that got no object because making it failed, and every Release takes
// one away, so a failed Acquire is given back like any other.
#pragma once

namespace platform {

template <typename Object>
class SharedHolder {
public:
    // The held object, made with make() when there is none.
    template <typename Make>
    Object* Acquire(Make make) {
        if (object_ == nullptr) object_ = make();
        ++users_;
        return object_;
    }
    // One user fewer; with none left the object is freed with free(object).
    template <typename Free>
    void Release(Free free) {
        --users_;
        if (object_ != nullptr && users_ == 0) {
            free(object_);
            object_ = nullptr;
        }
    }
    Object* get() const { return object_; }
    // Reads as the held object wherever one is expected.
    operator Object*() const { return object_; }
    int users() const { return users_; }

private:
    Object* object_ = nullptr;
    int users_ = 0;
};

}  // namespace platform
