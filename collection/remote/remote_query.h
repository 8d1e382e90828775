#pragma once
// One remote search: a fresh connection, one request, one reply.

struct TaskNotice;

// Prepares the process for the remote search and the downloads, once, on the user-interface
// thread: a peer that closes early makes a send fail instead of ending the process. 0 on
// success.
int NetStartup();

// On the worker thread: sends the notice's criteria to its server, receives and parses the
// reply, and posts the notice with code 2201 (rows in the notice) or 1000 (with the error).
void RunRemoteQuery(TaskNotice* notice);
