// window layer
