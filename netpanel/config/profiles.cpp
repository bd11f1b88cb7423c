// Configuration profiles: the profile list, the default profile, creation and activation.
#include "shell/velto.h"

namespace netpanel {

// Will fill Profilename from "ProfileLinkNumber" and the "ProfileLink n" values.
void Velto::LoadProfileList() {}

// Will select the profile of "DefaultProfileLink", or create "Default" when there is none.
void Velto::SelectDefaultProfile() {}

// Will store gCurSettings as the profile named in Profilename and make it the default.
void Velto::cmdConfCreate_Click() {}

// Will put every setting of the profile named in Profilename into force on the adapter.
void Velto::CmdConfActivate_Click() {}

}  // namespace netpanel
