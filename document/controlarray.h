#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <limits>
#include <map>
#include <vector>

// Hands out one increasing number per created control, shared by all arrays of a window, so
// that controls can be visited in the order in which they were created.
class CreationSequence {
public:
    quint64 next() { return ++m_last; }

private:
    quint64 m_last = 0;
};

// Element counters are 16-bit; one at its top value is never incremented, so 32767 is the
// highest index any element gets.
inline void incrementCounter(qint16& counter)
{
    if (counter < std::numeric_limits<qint16>::max())
        ++counter;
}

// An indexed family of widgets whose member 0 is a template: new members are made as copies
// of it. Members are owned by their Qt parent; removing one schedules its deletion, so a
// member may be removed from inside one of its own event handlers.
template <class T>
class ControlArray {
public:
    using Copier = std::function<T*(const T& member0, int index)>;

    ControlArray(CreationSequence& sequence, Copier copier)
        : m_sequence(sequence)
        , m_copier(std::move(copier))
    {
    }

    void setTemplate(T* member0) { insert(0, member0); }

    // Null when there is no member with that index.
    T* operator[](int index) const
    {
        const auto it = m_members.find(index);
        return it == m_members.end() ? nullptr : it->second.widget.data();
    }
    bool contains(int index) const { return (*this)[index] != nullptr; }
    int count() const { return int(m_members.size()); }

    // Creates member `index` as a copy of member 0; fails (null) when it exists already or
    // there is no template.
    T* load(int index)
    {
        const T* member0 = (*this)[0];
        if (!member0 || contains(index))
            return nullptr;
        T* created = m_copier(*member0, index);
        insert(index, created);
        return created;
    }

    // Member 0 cannot be removed; removing a missing member fails.
    bool unload(int index)
    {
        if (index == 0)
            return false;
        const auto it = m_members.find(index);
        if (it == m_members.end())
            return false;
        QPointer<T> widget = it->second.widget;
        m_members.erase(it);
        if (widget) {
            widget->hide();
            widget->deleteLater();
        }
        return true;
    }

    // Removes every member but the template, at once.
    void clear()
    {
        std::vector<int> doomed;
        for (const auto& [index, member] : m_members)
            if (index != 0)
                doomed.push_back(index);
        for (int index : doomed)
            unload(index);
    }

    std::vector<int> indices() const
    {
        std::vector<int> result;
        for (const auto& [index, member] : m_members)
            if (member.widget)
                result.push_back(index);
        return result;
    }

    struct Entry {
        quint64 serial;
        int index;
        T* widget;
    };
    std::vector<Entry> entries() const
    {
        std::vector<Entry> result;
        for (const auto& [index, member] : m_members)
            if (member.widget)
                result.push_back({member.serial, index, member.widget.data()});
        return result;
    }

private:
    struct Member {
        QPointer<T> widget;
        quint64 serial;
    };

    void insert(int index, T* widget) { m_members[index] = Member{widget, m_sequence.next()}; }

    CreationSequence& m_sequence;
    Copier m_copier;
    std::map<int, Member> m_members;
};
