#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "json/cJson.h"

namespace json_test {

// Walks a document as the program's readers do: Get on the root, Child below it. An element
// "#n" takes element n of an array.
inline cJson::Node* At(const cJson& doc, const std::vector<std::string>& path) {
    cJson::Node* node = doc.Root();
    bool top = true;
    for (const std::string& step : path) {
        if (!node) return nullptr;
        if (!step.empty() && step[0] == '#') {
            const int index = std::atoi(step.c_str() + 1);
            node = top ? node->Get(index) : node->Child(index);
        } else {
            node = top ? node->Get(step.c_str()) : node->Child(step.c_str());
        }
        top = false;
    }
    return node;
}

inline std::string Join(const std::vector<std::string>& path) {
    std::string out;
    for (const std::string& step : path) out += (out.empty() ? "" : "/") + step;
    return out;
}

}  // namespace json_test
