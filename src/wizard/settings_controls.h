// The control ids the connection pages share: the access or authentication
// choice, the login fields and the host or server field.
#pragma once

enum settings_control : int {
    database_name_edit = 1002,
    user_name_edit = 1012,
    password_field = 1013,
    host_edit = 1014,
    port_edit = 1015,
    first_choice = 1329,
    second_choice = 1330,
};
