#pragma once
// Intrusive observer lists. A handle (or an evaluator event) is a Subject; whoever
// depends on it links an Observer. An observer returns false to refuse a change, which
// then is undone as a whole.

namespace ivra_configuration {

class Subject;

class Observer {
 public:
  Observer() = default;
  Observer(Observer const&) = delete;
  Observer& operator=(Observer const&) = delete;
  virtual ~Observer() = default;

  // Called after the change; false refuses it.
  virtual bool Update() = 0;

  bool IsLinked() const { return m_subject != nullptr; }

 private:
  friend class Subject;
  Observer* m_next = nullptr;
  Subject const* m_subject = nullptr;
};

class Subject {
 public:
  Subject() = default;
  Subject(Subject const&) = delete;
  Subject& operator=(Subject const&) = delete;

  // Links the observer at the head, so it runs before those linked earlier. An observer
  // sits in one list only: linking it a second time would close the list into a ring,
  // so that is refused (false).
  bool Push(Observer& observer);

  // Runs the observers from head to tail and stops at the first that refuses.
  bool Notify() const;

  bool HasObservers() const { return m_head != nullptr; }

 private:
  Observer* m_head = nullptr;
};

// An observer that calls a member function of its owner.
template <class Owner>
class DelegateObserver final : public Observer {
 public:
  using Function = bool (Owner::*)();

  DelegateObserver(Owner& owner, Function function) : m_owner(owner), m_function(function) {}

  bool Update() override { return (m_owner.*m_function)(); }

 private:
  Owner& m_owner;
  Function m_function;
};

} // namespace ivra_configuration
