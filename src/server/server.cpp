// Application server core.
