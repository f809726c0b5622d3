#pragma once

namespace quillarc {

/// The project's home page (Software button) and e-mail address (Email
/// button), kept here alone so the documents and buttons agree.
inline constexpr const char *kHomePageUrl = "https://quillarc.org/";
inline constexpr const char *kContactAddress = "feedback@quillarc.org";

} // namespace quillarc
