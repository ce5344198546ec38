#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tuim {

enum TTuimAboutInfo : std::uint8_t { TuimAbout };
enum TOperation : std::uint8_t { opInsert, opRemove };

// Base of the system's components: owner, name, owned sub-components and free notification.
// Ownership in C++ stays with the std::unique_ptr members of the owner; the owner's list here
// only records who belongs to it, so that names can be found and removal can be announced.
class TTuimComponent {
public:
  explicit TTuimComponent(TTuimComponent* owner = nullptr);
  virtual ~TTuimComponent();
  TTuimComponent(const TTuimComponent&) = delete;
  TTuimComponent& operator=(const TTuimComponent&) = delete;

  TTuimComponent* Owner() const { return fOwner; }
  const std::string& Name() const { return fName; }
  void SetName(const std::string& name) { fName = name; }
  TTuimAboutInfo AboutTuim() const { return TuimAbout; }

  int ComponentCount() const { return static_cast<int>(fComponents.size()); }
  TTuimComponent* Components(int index) const { return fComponents.at(index); }
  TTuimComponent* FindComponent(const std::string& name) const;

  // Asks to be told (Notification with opRemove) when `other` is destroyed.
  void FreeNotification(TTuimComponent* other);
  void RemoveFreeNotification(TTuimComponent* other);

protected:
  // Called on every component registered with FreeNotification when `component` goes away,
  // and on the owner when a sub-component is removed. Overrides clear their links here.
  virtual void Notification(TTuimComponent* component, TOperation operation) {}

private:
  void InsertComponent(TTuimComponent* c);
  void RemoveComponent(TTuimComponent* c);
  static void Erase(std::vector<TTuimComponent*>& list, TTuimComponent* c);

  TTuimComponent* fOwner = nullptr;
  std::string fName;
  std::vector<TTuimComponent*> fComponents;
  std::vector<TTuimComponent*> fFreeNotifies;  // both directions, as in the platform class
};

// The events the components share: a state change, and a log line the host may take over.
using TNotifyEvent = std::function<void(TTuimComponent* Sender)>;
using TTuimGravarLog = std::function<void(const std::string& ALogLine, bool& Tratado)>;

}  // namespace tuim
