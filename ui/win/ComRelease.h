#pragma once

// Interface pointers are plain owned fields of their window objects; this is the one way
// they are let go, so that no pointer is released twice or used after its release.
template <class T>
void ReleaseCom(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}
