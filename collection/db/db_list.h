#pragma once
// A doubly linked list that owns its nodes, with an index built on demand for access by
// position. Node types derive from DB_list_node<Node>.

#include <memory>
#include <vector>

template <typename Node> struct DB_list_node {
    Node* prev = nullptr;
    Node* next = nullptr;
};

template <typename Node> class DB_list {
public:
    DB_list() = default;
    DB_list(const DB_list&) = delete;
    DB_list& operator=(const DB_list&) = delete;
    DB_list(DB_list&& other) noexcept { Swap(other); }
    DB_list& operator=(DB_list&& other) noexcept {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }
    ~DB_list() { Clear(); }

    Node* head() const { return head_; }
    Node* tail() const { return tail_; }
    int count() const { return count_; }

    Node* Append(std::unique_ptr<Node> owned) {
        Node* node = owned.release();
        node->prev = tail_;
        node->next = nullptr;
        (tail_ ? tail_->next : head_) = node;
        tail_ = node;
        ++count_;
        index_.clear();
        return node;
    }

    // Takes `node` out of the list and hands it back to the caller.
    std::unique_ptr<Node> Unlink(Node* node) {
        (node->prev ? node->prev->next : head_) = node->next;
        (node->next ? node->next->prev : tail_) = node->prev;
        node->prev = node->next = nullptr;
        --count_;
        index_.clear();
        return std::unique_ptr<Node>(node);
    }

    void BuildIndex() {
        index_.clear();
        index_.reserve(count_);
        for (Node* n = head_; n; n = n->next) {
            index_.push_back(n);
        }
    }

    // Position `i` (0 to count - 1); builds the index when a change has discarded it.
    Node* At(int i) {
        if (static_cast<int>(index_.size()) != count_) {
            BuildIndex();
        }
        return index_[i];
    }

    // Frees every node from the head.
    void Clear() {
        while (head_) {
            Unlink(head_);
        }
    }

private:
    void Swap(DB_list& other) noexcept {
        std::swap(head_, other.head_);
        std::swap(tail_, other.tail_);
        std::swap(count_, other.count_);
        index_.swap(other.index_);
    }

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    int count_ = 0;
    std::vector<Node*> index_;
};
