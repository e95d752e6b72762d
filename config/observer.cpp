#include "config/observer.h"

namespace ivra_configuration {

bool Subject::Push(Observer& observer) {
  if (observer.m_subject != nullptr) return false;
  observer.m_next = m_head;
  observer.m_subject = this;
  m_head = &observer;
  return true;
}

bool Subject::Notify() const {
  for (Observer* o = m_head; o != nullptr; o = o->m_next) {
    if (!o->Update()) return false;
  }
  return true;
}

} // namespace ivra_configuration
