// The one find-or-compute cache of the guess: a measure worked out once per key, however
// many readings ask for it (row boundaries, bit changes, column repeats).
#pragma once

#include <map>

template <typename Key, typename Value>
class Memo {
public:
    template <typename Compute>
    Value Get(const Key& key, Compute compute) {
        const auto found = m_values.find(key);
        return found != m_values.end() ? found->second : m_values[key] = compute();
    }

private:
    std::map<Key, Value> m_values;
};
