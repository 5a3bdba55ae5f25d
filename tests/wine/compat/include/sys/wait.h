// Exit statuses as std::system reports them on Windows: the exit code itself.
#pragma once

#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
