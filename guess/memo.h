// The one find-or-compute cache of the guess: a measure worked out once per key, however
// many readings ask for it (row boundaries, bit changes, column repeats). Readings are costed
// on several threads at once: the measure is worked out outside the lock, and two threads
// asking for the same key at once may both work it out, to the same value.
#pragma once

#include <map>
#include <mutex>

template <typename Key, typename Value>
class Memo {
public:
    template <typename Compute>
    Value Get(const Key& key, Compute compute) {
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            const auto found = m_values.find(key);
            if (found != m_values.end()) return found->second;
        }
        const Value value = compute();
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_values.emplace(key, value).first->second;
    }

private:
    std::mutex m_lock;
    std::map<Key, Value> m_values;
};
