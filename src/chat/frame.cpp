// Frames of the chat-client protocol.
