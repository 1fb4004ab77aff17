// The stand-in chat client: a room and a client that the program talks to.
