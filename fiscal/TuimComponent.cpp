#include "fiscal/TuimComponent.h"

#include <algorithm>
#include <cctype>

namespace tuim {

TTuimComponent::TTuimComponent(TTuimComponent* owner) : fOwner(owner) {
  if (fOwner) fOwner->InsertComponent(this);
}

TTuimComponent::~TTuimComponent() {
  // Tell everyone who holds a link to us, then leave the owner's list.
  std::vector<TTuimComponent*> notifies;
  notifies.swap(fFreeNotifies);
  for (TTuimComponent* c : notifies) {
    Erase(c->fFreeNotifies, this);
    c->Notification(this, opRemove);
  }
  for (TTuimComponent* c : fComponents) c->fOwner = nullptr;
  if (fOwner) {
    fOwner->RemoveComponent(this);
    fOwner->Notification(this, opRemove);
  }
}

TTuimComponent* TTuimComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TTuimComponent* c : fComponents) {
    const std::string& n = c->fName;
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        }))
      return c;
  }
  return nullptr;
}

void TTuimComponent::FreeNotification(TTuimComponent* other) {
  if (!other || other == this) return;
  if (std::find(fFreeNotifies.begin(), fFreeNotifies.end(), other) == fFreeNotifies.end())
    fFreeNotifies.push_back(other);
  if (std::find(other->fFreeNotifies.begin(), other->fFreeNotifies.end(), this) == other->fFreeNotifies.end())
    other->fFreeNotifies.push_back(this);
}

void TTuimComponent::RemoveFreeNotification(TTuimComponent* other) {
  if (!other) return;
  Erase(fFreeNotifies, other);
  Erase(other->fFreeNotifies, this);
}

void TTuimComponent::InsertComponent(TTuimComponent* c) { fComponents.push_back(c); }
void TTuimComponent::RemoveComponent(TTuimComponent* c) { Erase(fComponents, c); }

void TTuimComponent::Erase(std::vector<TTuimComponent*>& list, TTuimComponent* c) {
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

}  // namespace tuim
