# brillox: `make run` builds and starts the game, `make test` runs every test headlessly.
# Both install missing Debian packages first (scripts/install-deps).

RELEASE_DIR := build/release
TEST_DIR    := build/test
JOBS        := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps

run: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@if [ -x $(RELEASE_DIR)/brillox ]; then \
	    $(RELEASE_DIR)/brillox; \
	else \
	    echo "The runtime is built; the game itself is not built yet."; \
	fi

test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DBRILLOX_TESTS=ON -DBRILLOX_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

deps:
	@sh scripts/install-deps
